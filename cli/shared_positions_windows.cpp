// Memory shared with a worker process on Windows: a section backed by the paging file, whose handle
// the worker inherits.
#include "cli/shared_positions.h"

#include "hostsim/host_error.h"

#include <windows.h>

#include <algorithm>
#include <limits>
#include <string>

namespace cli {

SharedPositions::SharedPositions(std::size_t perFrame)
    : perFrame_(std::max<std::size_t>(perFrame, 1)) {
    if (perFrame_ > std::numeric_limits<std::size_t>::max() / halves / sizeof(hostsim::Position))
        throw hostsim::HostError("vistrelle run: " + std::to_string(perFrame_) +
                                 " positions a frame are too many to share with a worker");
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const auto size = static_cast<std::uint64_t>(bytes());
    section_ =
        CreateFileMappingW(INVALID_HANDLE_VALUE, &inherited, PAGE_READWRITE,
                           static_cast<DWORD>(size >> 32), static_cast<DWORD>(size), nullptr);
    map();
}

SharedPositions::SharedPositions(std::size_t perFrame, void *section)
    : perFrame_(std::max<std::size_t>(perFrame, 1)), section_(section) {
    if (perFrame_ > std::numeric_limits<std::size_t>::max() / halves / sizeof(hostsim::Position))
        section_ = nullptr;
    map();
}

void SharedPositions::map() {
    void *view =
        section_ != nullptr ? MapViewOfFile(section_, FILE_MAP_ALL_ACCESS, 0, 0, bytes()) : nullptr;
    if (view == nullptr) {
        const DWORD error = GetLastError();
        if (section_ != nullptr) CloseHandle(section_);
        throw hostsim::HostError("vistrelle run: cannot share " + std::to_string(bytes()) +
                                 " bytes with a worker (system error " + std::to_string(error) +
                                 ")");
    }
    data_ = static_cast<hostsim::Position *>(view);
}

SharedPositions::~SharedPositions() {
    UnmapViewOfFile(data_);
    CloseHandle(section_);
}

}  // namespace cli
