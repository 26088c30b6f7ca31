// Files the stand-in host's tests make on the fly: scratch files and small synthetic ELF images.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace hostsim_test {

using Bytes = std::vector<std::byte>;

Bytes bytesOf(std::string_view text);
Bytes readFile(const std::filesystem::path &path);
// Writes `contents` to a fresh file called `name` in this test's scratch directory.
std::filesystem::path scratchFile(std::string_view name, const Bytes &contents);

struct SyntheticSection {
    std::string name;
    Bytes contents;
};

// An ELF file of `bits` (32 or 64) with the given type and machine, no program, and the given
// sections (after the null section and the section name table).
Bytes syntheticElf(int bits, std::uint16_t type, std::uint16_t machine,
                   const std::vector<SyntheticSection> &sections);

// The message of the HostError that loading the module at `path` throws; fails the test when it
// loads.
std::string loadError(const std::filesystem::path &path);

}  // namespace hostsim_test
