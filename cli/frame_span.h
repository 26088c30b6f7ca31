// A run of frames given on the command line as "A-B" (or one frame "A").
#pragma once

#include <cstdint>
#include <string_view>

namespace cli {

struct FrameSpan {
    std::int32_t first = 0;
    std::int32_t last = 0;

    std::int64_t count() const { return std::int64_t{last} - first + 1; }
};

// Reads "A-B" or "A" (whole numbers, A not after B; either may be negative, e.g. "-5--1").
// Throws hostsim::HostError naming `option` and the text: "--frames 9-3: expected A-B with A not
// after B".
FrameSpan parseFrameSpan(std::string_view text, std::string_view option = "--frames");

}  // namespace cli
