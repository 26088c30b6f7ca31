// The free memory on Windows: the physical memory available, and no more than the address space
// this process has left (2 GB in all for a 32-bit program).
#include "formats/point_budget.h"

#include <windows.h>

#include <algorithm>
#include <limits>

namespace formats {

std::uint64_t freeMemoryBytes() {
    const std::uint64_t addressable = std::uint64_t{std::numeric_limits<std::size_t>::max()} / 2;
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return addressable;
    return std::min(
        {addressable, std::uint64_t{status.ullAvailPhys}, std::uint64_t{status.ullAvailVirtual}});
}

}  // namespace formats
