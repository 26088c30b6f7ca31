// Reading a module file whole, with its size checked before anything is allocated.
#include "hostsim/module_file.h"

#include "hostsim/host_error.h"

#include <cstdint>
#include <fstream>
#include <string>
#include <system_error>

namespace hostsim {

// Larger files are not plug-in modules; refusing them keeps a stray path from filling memory.
std::vector<std::byte> readModuleFile(const std::filesystem::path &path, std::string_view kind) {
    constexpr std::uintmax_t maxFileBytes = std::uintmax_t{512} << 20;
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status)) throw HostError::at(path, "no such file");
    if (!std::filesystem::is_regular_file(status)) throw HostError::at(path, "not a regular file");
    const auto size = std::filesystem::file_size(path, error);
    if (error) throw HostError::at(path, "cannot read the file size: " + error.message());
    if (size > maxFileBytes)
        throw HostError::at(path, "not " + std::string(kind) + " (file larger than 512 MiB)");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw HostError::at(path, "cannot open the file");
    std::vector<std::byte> bytes(static_cast<std::size_t>(size));
    in.read(reinterpret_cast<char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<std::uintmax_t>(in.gcount()) != size)
        throw HostError::at(path, "cannot read the whole file");
    return bytes;
}

}  // namespace hostsim
