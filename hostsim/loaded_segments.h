// Where a loaded module lies in memory: its loadable segments (sections of a DLL) as the loader
// mapped them, with their permissions. The host checks every address a module hands it here before
// following it, so a wild pointer in a broken module is refused with a message instead of crashing
// the host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace hostsim {

class LoadedSegments {
  public:
    struct Segment {
        std::uintptr_t begin = 0;
        std::uintptr_t end = 0;  // one past the last byte
        bool read = false;
        bool execute = false;
    };

    LoadedSegments() = default;
    explicit LoadedSegments(std::vector<Segment> segments) : segments_(std::move(segments)) {}

    // True when all of [address, address + size) lies in readable segments of the module.
    bool readable(std::uintptr_t address, std::size_t size) const;
    // True when `address` lies in an executable segment of the module.
    bool executable(std::uintptr_t address) const;
    // The length of the zero-terminated text at `address` when all of it, the zero included, lies
    // in readable segments and it is at most `longest` bytes long; nullopt otherwise.
    std::optional<std::size_t> textLength(std::uintptr_t address, std::size_t longest) const;

  private:
    // The readable segment holding `address`, or null.
    const Segment *readableAt(std::uintptr_t address) const;

    std::vector<Segment> segments_;
};

}  // namespace hostsim
