// vistrel_bench: the performance figures of the module on the demo scene scaled to 4k, 64k and 1M
// points, then a summary with the ratios and every target, met or missed (exit status 1 if one is
// missed). Google Benchmark's own options work as usual; by default every benchmark is repeated
// five times and only the statistics are shown, of which the summary reads the fastest.
//
//   vistrel_bench                                   # every figure with the vistrel.p built beside
//   it vistrel_bench --module=other/vistrel.p          # another build of the module, e.g. a
//   proposed change vistrel_bench --benchmark_filter='/65536$'      # one size only
#include <benchmark/benchmark.h>

#include <array>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string_view>
#include <vector>

#include "bench/demo_scenes.h"
#include "bench/figures.h"
#include "bench/findings.h"
#include "bench/per_point_reporter.h"
#include "bench/summary.h"
#include "testkit/scratch_folder.h"

int main(int argc, char **argv) {
    static constexpr std::array<std::int64_t, 3> pointCounts{4096, 65536, 1048576};
    std::string repetitions = "--benchmark_repetitions=5";
    std::string aggregatesOnly = "--benchmark_display_aggregates_only=true";
    // Repetitions of all figures in a random order: on a shared machine a figure timed while the
    // others wait would catch a slow or a fast spell alone, and the ratios between figures with it.
    std::string interleaved = "--benchmark_enable_random_interleaving=true";
    std::vector<char *> args{argv[0], repetitions.data(), aggregatesOnly.data(),
                             interleaved.data()};
    std::filesystem::path module = VISTREL_MODULE_FILE;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.starts_with("--module="))
            module = arg.substr(9);
        else
            args.push_back(argv[i]);  // later options win over the defaults above
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 2;

    try {
        testkit::ScratchFolder scratch;
        bench::DemoScenes scenes(scratch.path(), module);
        bench::Findings findings;
        bench::checkReferenceAgainstModule(scenes, findings, pointCounts);
        bench::addReferenceBenchmarks(scenes, pointCounts);
        bench::addEvaluateBenchmarks(scenes, findings, pointCounts);
        bench::addScanBenchmarks(scenes, pointCounts);
        bench::addFrameBenchmarks(scenes, pointCounts.back());

        std::cout << "vistrel_bench: module " << module.string() << '\n';
        bench::PerPointReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        const bool met =
            bench::printSummary(std::cout, reporter, findings, pointCounts, pointCounts.back());
        benchmark::Shutdown();
        return met ? 0 : 1;
    } catch (const std::exception &error) {
        std::cerr << "vistrel_bench: " << error.what() << '\n';
        return 2;
    }
}
