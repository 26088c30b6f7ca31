// The free memory on Linux: MemAvailable of /proc/meminfo.
#include "formats/point_budget.h"

#include <algorithm>
#include <fstream>
#include <limits>
#include <string>

namespace formats {

std::uint64_t freeMemoryBytes() {
    constexpr std::uint64_t most = std::numeric_limits<std::uint64_t>::max();
    const std::uint64_t addressable = std::uint64_t{std::numeric_limits<std::size_t>::max()} / 2;
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t kilobytes = 0;
    std::string unit;
    while (meminfo >> key >> kilobytes >> unit) {
        if (key == "MemAvailable:")
            return std::min(addressable, kilobytes > most / 1024 ? most : kilobytes * 1024);
    }
    return addressable;
}

}  // namespace formats
