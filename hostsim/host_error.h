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
    static HostError at(const std::filesystem::path &path, std::string_view what) {
        return HostError(path.string() + ": " + std::string(what));
    }
};

}  // namespace hostsim
