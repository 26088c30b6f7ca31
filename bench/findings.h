// What the benchmarks find besides times, for the summary: heap allocations inside the module
// during timed frames, whether the reference arithmetic gives the module's results, and how far the
// peer is off.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>

namespace bench {

struct Findings {
    // By point count: the most heap allocations seen inside the module in one timed frame.
    std::map<std::int64_t, std::size_t> moduleAllocationsPerFrame;
    // By point count: points whose reference result is not bit for bit the module's, and points
    // compared.
    struct Agreement {
        std::size_t differing = 0;
        std::size_t compared = 0;
    };
    std::map<std::int64_t, Agreement> referenceAgreement;
    // By point count: the peer's largest difference from the module in any coordinate.
    std::map<std::int64_t, double> peerDeviation;
};

}  // namespace bench
