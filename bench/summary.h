// The summary printed after the benchmarks: per mesh size the floor, evaluate, their ratio, the scan
// and its share of a frame; the frame figures with the host's share; and every target, met or missed.
#pragma once

#include <cstdint>
#include <ostream>
#include <span>

#include "bench/findings.h"
#include "bench/per_point_reporter.h"

namespace bench {

// The targets the figures are held to.
struct Targets {
    double evaluateOverFloor = 1.2;      // evaluate per point at most this many floors, at every size
    double evaluateFlatness = 0.10;      // every size within this fraction of the smallest size's figure
    double scanNanoseconds = 15.0;       // scan per point at the largest size
    double hostShareOfFrame = 0.20;      // the stand-in host's own work, as a share of a frame
    std::size_t moduleAllocations = 0;   // heap allocations inside the module per frame
};

// Prints the summary; true when every target whose figures ran is met.
bool printSummary(std::ostream &out, const PerPointReporter &times, const Findings &findings,
                  std::span<const std::int64_t> pointCounts, std::int64_t framePoints, const Targets &targets = {});

}  // namespace bench
