// A module file read whole into memory for the checks made before the platform's loader sees it.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string_view>
#include <vector>

namespace hostsim {

// The bytes of the regular file at `path`, at most 512 MiB. Throws HostError "<path>: ..." for a
// missing, special, unreadable or larger file; the last says "not <kind> (file larger than 512
// MiB)".
std::vector<std::byte> readModuleFile(const std::filesystem::path &path, std::string_view kind);

}  // namespace hostsim
