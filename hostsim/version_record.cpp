// Parses the version record section; the platform's module file reader finds it.
#include "hostsim/version_record.h"

#include "host/version_record.h"
#include "hostsim/host_error.h"

#include <cstring>

namespace hostsim {

std::optional<std::string> VersionRecord::value(std::string_view key) const {
    for (const auto &[k, v] : entries)
        if (k == key) return v;
    return std::nullopt;
}

VersionRecord parseVersionRecord(std::span<const std::byte> bytes,
                                 const std::filesystem::path &path) {
    const std::string where = "section " VERSION_RECORD_SECTION;
    VersionRecord record;
    std::size_t at = 0;
    while (true) {
        if (at >= bytes.size())
            throw HostError::at(path, where + " is not closed by an empty entry");
        const auto *text = reinterpret_cast<const char *>(bytes.data() + at);
        const void *end = std::memchr(text, 0, bytes.size() - at);
        if (end == nullptr)
            throw HostError::at(path, where + ": entry " +
                                          std::to_string(record.entries.size() + 1) +
                                          " has no closing zero byte");
        const std::string_view entry(text, static_cast<const char *>(end));
        if (entry.empty()) return record;
        const auto equals = entry.find('=');
        if (equals == std::string_view::npos || equals == 0)
            throw HostError::at(path, where + ": entry " +
                                          std::to_string(record.entries.size() + 1) +
                                          " is not key=value");
        record.entries.emplace_back(std::string(entry.substr(0, equals)),
                                    std::string(entry.substr(equals + 1)));
        at += entry.size() + 1;
    }
}

}  // namespace hostsim
