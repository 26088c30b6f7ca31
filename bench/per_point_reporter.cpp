#include "bench/per_point_reporter.h"

#include <algorithm>

namespace bench {

void PerPointReporter::ReportRuns(const std::vector<Run> &runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run &run : runs) {
        // Single runs, or the "min" statistic over repetitions; not the mean, median or spread.
        if (run.error_occurred ||
            (run.run_type == Run::RT_Aggregate && run.aggregate_name != "min"))
            continue;
        const auto points = run.counters.find("points");
        if (points == run.counters.end() || points->second.value <= 0.0 ||
            run.run_name.args.empty())
            continue;
        const double seconds =
            run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        const double perPoint = seconds * 1e9 / points->second.value;
        const auto key = std::make_pair(run.run_name.function_name, std::stoll(run.run_name.args));
        const auto [entry, fresh] = nanoseconds_.emplace(key, perPoint);
        if (!fresh) entry->second = std::min(entry->second, perPoint);
    }
}

std::optional<double> PerPointReporter::nanosecondsPerPoint(const std::string &figure,
                                                            std::int64_t points) const {
    const auto found = nanoseconds_.find({figure, points});
    if (found == nanoseconds_.end()) return std::nullopt;
    return found->second;
}

}  // namespace bench
