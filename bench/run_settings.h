// How every benchmark is run and what it reports, so that all figures are read the same way.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <vector>

namespace bench {

// The statistic the summary reads: the fastest repetition, the one least disturbed by the rest of
// the machine.
inline double fastest(const std::vector<double> &values) {
    return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
}

// Milliseconds per frame on the console, and the "min" statistic beside mean, median and spread.
inline void standardSettings(benchmark::internal::Benchmark *b) {
    b->Unit(benchmark::kMillisecond)->ComputeStatistics("min", fastest);
}

// The points of one frame, and the time per point (CPU time, as every figure here).
inline void countPoints(benchmark::State &state, std::size_t points) {
    state.counters["points"] = static_cast<double>(points);
    state.counters["per_point"] = benchmark::Counter(
        static_cast<double>(points),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

}  // namespace bench
