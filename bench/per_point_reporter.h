// The console report of Google Benchmark, which also keeps each benchmark's time per point for the
// summary: CPU time per frame divided by the frame's points, from the fastest repetition.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace bench {

class PerPointReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run> &runs) override;

    // Nanoseconds per point of `figure` ("reference", "evaluate", ...) at `points`; none when it
    // did not run.
    std::optional<double> nanosecondsPerPoint(const std::string &figure, std::int64_t points) const;

  private:
    std::map<std::pair<std::string, std::int64_t>, double> nanoseconds_;
};

}  // namespace bench
