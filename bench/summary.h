// The summary printed after the benchmarks: per mesh size the reference, evaluate, their ratio, the
// peer, the scan and the queries; the frame figures with the host's own work and the OBJ file;
// whether the module gives the reference's bits; and every target, met or missed.
#pragma once

#include <cstdint>
#include <ostream>
#include <span>

#include "bench/findings.h"
#include "bench/per_point_reporter.h"

namespace bench {

// The targets the figures are held to.
struct Targets {
    double evaluateOverReference = 0.25;   // evaluate per point at most this many references...
    std::int64_t ratioFromPoints = 65536;  // ...at this many points and more
    double hostNanoseconds = 12.0;         // the stand-in host's own work per point in a frame
    double objNanoseconds = 80.0;          // writing the OBJ file, per point
    std::size_t moduleAllocations = 0;     // heap allocations inside the module per frame
};

// Prints the summary; true when every target whose figures ran is met.
bool printSummary(std::ostream &out, const PerPointReporter &times, const Findings &findings,
                  std::span<const std::int64_t> pointCounts, std::int64_t framePoints,
                  const Targets &targets = {});

}  // namespace bench
