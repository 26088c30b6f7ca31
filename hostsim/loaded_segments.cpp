// The loadable segments of a module, read from the program headers the dynamic loader reports.
#include "hostsim/loaded_segments.h"

#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <cstring>

namespace hostsim {
namespace {

struct Search {
    const link_map *module = nullptr;
    std::vector<dl_phdr_info> found;  // the one object of the module, when the loader lists it
    std::vector<ElfW(Phdr)> headers;
};

int visit(dl_phdr_info *info, std::size_t, void *data) {
    auto &search = *static_cast<Search *>(data);
    const char *name = info->dlpi_name ? info->dlpi_name : "";
    const char *wanted = search.module->l_name ? search.module->l_name : "";
    if (info->dlpi_addr != search.module->l_addr || std::strcmp(name, wanted) != 0) return 0;
    search.found.push_back(*info);
    search.headers.assign(info->dlpi_phdr, info->dlpi_phdr + info->dlpi_phnum);
    return 1;
}

}  // namespace

LoadedSegments LoadedSegments::of(void *handle) {
    LoadedSegments segments;
    link_map *module = nullptr;
    if (handle == nullptr || dlinfo(handle, RTLD_DI_LINKMAP, &module) != 0 || module == nullptr) return segments;
    Search search{module, {}, {}};
    dl_iterate_phdr(&visit, &search);
    if (search.found.empty()) return segments;
    const std::uintptr_t base = search.found.front().dlpi_addr;
    for (const ElfW(Phdr) &header : search.headers) {
        if (header.p_type != PT_LOAD || header.p_memsz == 0) continue;
        const std::uintptr_t begin = base + header.p_vaddr;
        segments.segments_.push_back({begin, begin + header.p_memsz, (header.p_flags & PF_R) != 0, (header.p_flags & PF_X) != 0});
    }
    return segments;
}

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

std::optional<std::size_t> LoadedSegments::textLength(std::uintptr_t address, std::size_t longest) const {
    for (std::size_t length = 0; length <= longest; ++length) {
        const Segment *segment = readableAt(address + length);
        if (segment == nullptr) return std::nullopt;
        // Within a segment, search its bytes at once.
        const std::size_t room = std::min<std::size_t>(segment->end - (address + length), longest + 1 - length);
        const void *zero = std::memchr(reinterpret_cast<const void *>(address + length), 0, room);
        if (zero != nullptr) return static_cast<std::size_t>(static_cast<const char *>(zero) - reinterpret_cast<const char *>(address));
        length += room - 1;
    }
    return std::nullopt;
}

}  // namespace hostsim
