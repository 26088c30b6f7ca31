// Shared anonymous memory for the positions of a worker's frames.
#include "cli/shared_positions.h"

#include "hostsim/host_error.h"

#include <sys/mman.h>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <string>

namespace cli {

SharedPositions::SharedPositions(std::size_t perFrame)
    : perFrame_(std::max<std::size_t>(perFrame, 1)) {
    if (perFrame_ > std::numeric_limits<std::size_t>::max() / halves / sizeof(hostsim::Position))
        throw hostsim::HostError("vistrelle run: " + std::to_string(perFrame_) +
                                 " positions a frame are too many to share with a worker");
    void *memory =
        ::mmap(nullptr, bytes(), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        throw hostsim::HostError("vistrelle run: cannot share " + std::to_string(bytes()) +
                                 " bytes with a worker: " + std::strerror(errno));
    data_ = static_cast<hostsim::Position *>(memory);
}

SharedPositions::~SharedPositions() { ::munmap(data_, bytes()); }

}  // namespace cli
