// Positions shared between this process and a worker forked after they were made (on Windows, a
// worker given the section's handle): two halves, so that the worker can play a frame while this
// process still hands on the one before.
#pragma once

#include "hostsim/host.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace cli {

class SharedPositions {
  public:
    // Room for `perFrame` positions in each half; HostError when the memory cannot be had.
    explicit SharedPositions(std::size_t perFrame);
    ~SharedPositions();
    SharedPositions(const SharedPositions &) = delete;
    SharedPositions &operator=(const SharedPositions &) = delete;
#if defined(_WIN32)
    // In a worker: the section its run made, by the handle it inherited.
    SharedPositions(std::size_t perFrame, void *section);
    // The section's handle, which a worker inherits.
    void *section() const { return section_; }
#endif

    static constexpr std::uint64_t halves = 2;
    std::span<hostsim::Position> half(std::uint64_t k) const {
        return {data_ + k * perFrame_, perFrame_};
    }

  private:
    std::size_t bytes() const { return halves * perFrame_ * sizeof(hostsim::Position); }
    std::size_t perFrame_;
    hostsim::Position *data_ = nullptr;
#if defined(_WIN32)
    void *section_ = nullptr;
    void map();
#endif
};

}  // namespace cli
