// Address checks against the parts of a loaded module.
#include "hostsim/loaded_segments.h"

#include <algorithm>
#include <cstring>

namespace hostsim {

const LoadedSegments::Segment *LoadedSegments::readableAt(std::uintptr_t address) const {
    for (const Segment &segment : segments_)
        if (segment.read && address >= segment.begin && address < segment.end) return &segment;
    return nullptr;
}

bool LoadedSegments::readable(std::uintptr_t address, std::size_t size) const {
    if (size == 0) return readableAt(address) != nullptr;
    // Segments may adjoin; walk from one into the next.
    std::uintptr_t at = address;
    const std::uintptr_t end = address + size;
    if (end < address) return false;
    while (at < end) {
        const Segment *segment = readableAt(at);
        if (segment == nullptr) return false;
        at = segment->end;
    }
    return true;
}

bool LoadedSegments::executable(std::uintptr_t address) const {
    for (const Segment &segment : segments_)
        if (segment.execute && address >= segment.begin && address < segment.end) return true;
    return false;
}

std::optional<std::size_t> LoadedSegments::textLength(std::uintptr_t address,
                                                      std::size_t longest) const {
    for (std::size_t length = 0; length <= longest; ++length) {
        const Segment *segment = readableAt(address + length);
        if (segment == nullptr) return std::nullopt;
        // Within a segment, search its bytes at once.
        const std::size_t room =
            std::min<std::size_t>(segment->end - (address + length), longest + 1 - length);
        const void *zero = std::memchr(reinterpret_cast<const void *>(address + length), 0, room);
        if (zero != nullptr)
            return static_cast<std::size_t>(static_cast<const char *>(zero) -
                                            reinterpret_cast<const char *>(address));
        length += room - 1;
    }
    return std::nullopt;
}

}  // namespace hostsim
