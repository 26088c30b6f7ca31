// The one error type of the stand-in host: a single line that starts with the file it concerns.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace hostsim {

class HostError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;

    // "<path>: <what>"
    // The path as UTF-8 (on Windows, string() would give the system's code page).
    static HostError at(const std::filesystem::path &path, std::string_view what) {
        const std::u8string name = path.u8string();
        return HostError(std::string(name.begin(), name.end()) + ": " + std::string(what));
    }
};

}  // namespace hostsim
