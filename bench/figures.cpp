// The benchmark loops: one frame per iteration, the camera moving on from frame to frame.
#include "bench/figures.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "bench/driven_instance.h"
#include "bench/host_work.h"
#include "bench/matrix_peer.h"
#include "bench/reference_turn.h"
#include "bench/run_settings.h"
#include "formats/obj_mesh.h"
#include "testkit/allocation_counter.h"

namespace bench {

namespace {

using Positions = std::vector<hostsim::Position>;

void referenceBenchmark(benchmark::State &state, DemoScenes &scenes, bool withLeafAngles) {
    const hostsim::Scene &scene = scenes.withPoints(static_cast<std::size_t>(state.range(0)));
    const ReferenceTurn reference(scene);
    Positions out(reference.turnedPoints());
    std::int64_t played = 0;
    for (auto _ : state) {
        const std::int32_t frame = DemoScenes::frameOf(scene.frames, played++);
        if (withLeafAngles)
            reference.playFrameWithLeafAngles(frame, out);
        else
            reference.playFrame(frame, out);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    countPoints(state, reference.turnedPoints());
}

void peerBenchmark(benchmark::State &state, DemoScenes &scenes) {
    const hostsim::Scene &scene = scenes.withPoints(static_cast<std::size_t>(state.range(0)));
    const MatrixPeer peer(scene);
    Positions out(peer.turnedPoints());
    std::int64_t played = 0;
    for (auto _ : state) {
        peer.playFrame(DemoScenes::frameOf(scene.frames, played++), out);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    countPoints(state, peer.turnedPoints());
}

void evaluateBenchmark(benchmark::State &state, DemoScenes &scenes, Findings &findings) {
    const hostsim::Scene &scene = scenes.withPoints(static_cast<std::size_t>(state.range(0)));
    DrivenInstance driven(scenes.module(), scene);
    Positions out(driven.points());
    std::size_t mostAllocations = 0;
    std::int64_t played = 0;
    for (auto _ : state) {
        const testkit::CountingScope
            counting;  // nothing but the module and its services runs in here
        driven.playFrame(DemoScenes::frameOf(scene.frames, played++), out);
        mostAllocations = std::max(mostAllocations, counting.counted().allocations());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    std::size_t &seen = findings.moduleAllocationsPerFrame[state.range(0)];
    seen = std::max(seen, mostAllocations);
    countPoints(state, driven.points());
}

// The first evaluate's own point is timed too: 1/4096 of a point's turn per point at 4096 points.
void scanBenchmark(benchmark::State &state, DemoScenes &scenes) {
    const hostsim::Scene &scene = scenes.withPoints(static_cast<std::size_t>(state.range(0)));
    DrivenInstance driven(scenes.module(), scene);
    std::int64_t played = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(driven.scanFrame(DemoScenes::frameOf(scene.frames, played++)));
    countPoints(state, driven.points());
}

// A frame of `vistrelle run`: the host's runFrame and, when asked, the OBJ file of the turned bush
// (every face and texture coordinate kept, normals recomputed). The command's SVG picture is left
// out.
void frameBenchmark(benchmark::State &state, DemoScenes &scenes, bool writeObj) {
    const hostsim::Scene &scene = scenes.withPoints(static_cast<std::size_t>(state.range(0)));
    hostsim::Host host(scenes.module(), scene);
    const hostsim::Mesh &bush = *host.scene().scene().items.at(bushItem).mesh;
    const std::filesystem::path objFile = scenes.folder() / "Bush.frame.obj";
    std::int64_t played = 0;
    for (auto _ : state) {
        const std::vector<hostsim::DisplacedObject> displaced =
            host.runFrame(DemoScenes::frameOf(scene.frames, played++));
        if (writeObj) formats::writeObjMesh(objFile, bush, displaced.at(0).positions);
        benchmark::DoNotOptimize(displaced.data());
    }
    countPoints(state, bush.points.size());
}

// Writing one frame's OBJ file of the turned bush alone: the text and the file.
void objBenchmark(benchmark::State &state, DemoScenes &scenes) {
    const hostsim::Scene &scene = scenes.withPoints(static_cast<std::size_t>(state.range(0)));
    hostsim::Host host(scenes.module(), scene);
    const hostsim::Mesh &bush = *host.scene().scene().items.at(bushItem).mesh;
    const std::filesystem::path objFile = scenes.folder() / "Bush.obj-only.obj";
    const std::span<const hostsim::Position> positions =
        host.runFrame(scene.frames.start).at(0).positions;
    for (auto _ : state) formats::writeObjMesh(objFile, bush, positions);
    countPoints(state, bush.points.size());
}

void hostWorkBenchmark(benchmark::State &state, DemoScenes &scenes) {
    const hostsim::Scene &scene = scenes.withPoints(static_cast<std::size_t>(state.range(0)));
    HostWork work(scenes.module(), scene);
    std::size_t points = 0;
    std::int64_t played = 0;
    for (auto _ : state) points = work.playFrame(DemoScenes::frameOf(scene.frames, played++));
    countPoints(state, points);
}

// The host's part of the scan: scan minus walk is the module's part.
void walkBenchmark(benchmark::State &state, DemoScenes &scenes) {
    const hostsim::Scene &scene = scenes.withPoints(static_cast<std::size_t>(state.range(0)));
    HostWork work(scenes.module(), scene);
    for (auto _ : state) work.walkMesh();
    countPoints(state, scene.items[bushItem].mesh->points.size());
}

// The target queries alone: one camera position per point, as evaluate asks for them.
void queryBenchmark(benchmark::State &state, DemoScenes &scenes) {
    const hostsim::Scene &scene = scenes.withPoints(static_cast<std::size_t>(state.range(0)));
    HostWork work(scenes.module(), scene);
    std::int64_t played = 0;
    for (auto _ : state) work.askTarget(DemoScenes::frameOf(scene.frames, played++));
    countPoints(state, scene.items[bushItem].mesh->points.size());
}

template <typename Body>
void add(const char *name, std::span<const std::int64_t> pointCounts, Body body) {
    auto *b = benchmark::RegisterBenchmark(name, body);
    for (const std::int64_t n : pointCounts) b->Arg(n);
    standardSettings(b);
}

}  // namespace

void addReferenceBenchmarks(DemoScenes &scenes, std::span<const std::int64_t> pointCounts) {
    add("reference", pointCounts,
        [&scenes](benchmark::State &state) { referenceBenchmark(state, scenes, false); });
    add("reference+angles", pointCounts,
        [&scenes](benchmark::State &state) { referenceBenchmark(state, scenes, true); });
    add("peer", pointCounts, [&scenes](benchmark::State &state) { peerBenchmark(state, scenes); });
}

void addEvaluateBenchmarks(DemoScenes &scenes, Findings &findings,
                           std::span<const std::int64_t> pointCounts) {
    add("evaluate", pointCounts, [&scenes, &findings](benchmark::State &state) {
        evaluateBenchmark(state, scenes, findings);
    });
}

void addScanBenchmarks(DemoScenes &scenes, std::span<const std::int64_t> pointCounts) {
    add("scan", pointCounts, [&scenes](benchmark::State &state) { scanBenchmark(state, scenes); });
    add("walk", pointCounts, [&scenes](benchmark::State &state) { walkBenchmark(state, scenes); });
    add("query", pointCounts,
        [&scenes](benchmark::State &state) { queryBenchmark(state, scenes); });
}

void addFrameBenchmarks(DemoScenes &scenes, std::int64_t pointCount) {
    const std::array<std::int64_t, 1> only{pointCount};
    add("frame", only,
        [&scenes](benchmark::State &state) { frameBenchmark(state, scenes, false); });
    add("frame+obj", only,
        [&scenes](benchmark::State &state) { frameBenchmark(state, scenes, true); });
    add("obj", only, [&scenes](benchmark::State &state) { objBenchmark(state, scenes); });
    add("host", only, [&scenes](benchmark::State &state) { hostWorkBenchmark(state, scenes); });
}

void checkReferenceAgainstModule(DemoScenes &scenes, Findings &findings,
                                 std::span<const std::int64_t> pointCounts) {
    constexpr std::int32_t frame = 7;
    for (const std::int64_t n : pointCounts) {
        const hostsim::Scene &scene = scenes.withPoints(static_cast<std::size_t>(n));
        const ReferenceTurn reference(scene);
        Positions referenceOut(reference.turnedPoints());
        Positions withAnglesOut(reference.turnedPoints());
        reference.playFrame(frame, referenceOut);
        reference.playFrameWithLeafAngles(frame, withAnglesOut);
        const MatrixPeer peer(scene);
        Positions peerOut(peer.turnedPoints());
        peer.playFrame(frame, peerOut);
        DrivenInstance driven(scenes.module(), scene);
        Positions moduleOut(driven.points());
        // Two frames, so that the second finds every leaf as the first left it, as frames after the
        // first do.
        driven.playFrame(frame - 1, moduleOut);
        driven.playFrame(frame, moduleOut);
        Findings::Agreement &agreement = findings.referenceAgreement[n];
        agreement = {};
        double &peerOff = findings.peerDeviation[n];
        peerOff = 0.0;
        for (std::size_t i = 0; i < referenceOut.size(); ++i, ++agreement.compared) {
            if (std::memcmp(&referenceOut[i], &moduleOut[i], sizeof referenceOut[i]) != 0 ||
                std::memcmp(&withAnglesOut[i], &moduleOut[i], sizeof moduleOut[i]) != 0)
                ++agreement.differing;
            for (std::size_t k = 0; k < 3; ++k)
                peerOff = std::max(peerOff, std::abs(peerOut[i][k] - moduleOut[i][k]));
        }
    }
}

}  // namespace bench
