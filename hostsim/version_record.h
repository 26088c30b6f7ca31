// The module's version record, read from the file without loading the library: an ELF section, or
// the version resource of a DLL.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace hostsim {

struct VersionRecord {
    std::vector<std::pair<std::string, std::string>> entries;  // key, value, in file order

    // The value of `key`, or nullopt when the record has no such key.
    std::optional<std::string> value(std::string_view key) const;
};

// Reads the version record of the module file at `path` (ELF32 or ELF64; a DLL on Windows). Throws
// HostError when the file is not of that kind, or the record is missing or malformed.
VersionRecord readVersionRecord(const std::filesystem::path &path);

// Parses the section contents: "key=value" texts, each closed by a zero byte, then one more zero.
// Throws HostError (starting with `path`) when they do not follow that form.
VersionRecord parseVersionRecord(std::span<const std::byte> bytes,
                                 const std::filesystem::path &path);

}  // namespace hostsim
