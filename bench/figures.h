// The benchmarks behind each figure, added to Google Benchmark's list by main. Every benchmark
// plays whole frames of the demo scene (one frame per iteration, the camera moving on) and reports
// "points" per frame, from which the summary takes the time per point.
#pragma once

#include <cstdint>
#include <span>

#include "bench/demo_scenes.h"
#include "bench/findings.h"

namespace bench {

// reference/N: the plain arithmetic of turning every point by the leaf operations, nothing around
// it; reference+angles/N: the same with each leaf's angles worked out at its first point, as a
// frame must; peer/N: the same job done the simple way, one 3x3 matrix per leaf and frame (not bit
// for bit).
void addReferenceBenchmarks(DemoScenes &scenes, std::span<const std::int64_t> pointCounts);

// Plays frames of each size with both references, the peer and the module; counts the points where
// either reference differs from the module in any bit, and the peer's largest difference.
void checkReferenceAgainstModule(DemoScenes &scenes, Findings &findings,
                                 std::span<const std::int64_t> pointCounts);

// evaluate/N: newTime and one evaluate per point through the loaded module (scan included).
void addEvaluateBenchmarks(DemoScenes &scenes, Findings &findings,
                           std::span<const std::int64_t> pointCounts);

// scan/N: newTime and the first evaluate of a pass, which measures every leaf;
// walk/N: the host's part of that, the mesh walk with every point's position and no module;
// query/N: the target queries of a frame alone, one camera position per point.
void addScanBenchmarks(DemoScenes &scenes, std::span<const std::int64_t> pointCounts);

// frame/N, frame+obj/N: a frame of `vistrelle run` without and with writing the OBJ file;
// obj/N: writing the OBJ file alone; host/N: the stand-in host's own share of a frame.
void addFrameBenchmarks(DemoScenes &scenes, std::int64_t pointCount);

}  // namespace bench
