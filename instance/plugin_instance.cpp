#include "instance/plugin_instance.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>

namespace vistrel {

namespace {

std::int32_t arrayLengthFor(double leafCount) {
    if (!std::isfinite(leafCount) || !(leafCount >= 1.0)) return 0;
    if (leafCount >= static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(leafCount);
}

// Room for every point of every leaf at the present leaf size, none of it kept yet, so that the
// next scan measures every leaf it reaches. Without it (no leaves, a leaf size below 2, more than
// memory holds) every scan measures every leaf. `sameLength`: the leaf arrays kept their length.
void keepScannedPoints(PluginInstance &instance, bool sameLength) noexcept {
    instance.scannedLeaves = 0;
    instance.scanNext = nullptr;
    const std::int32_t leafPoints = instance.leafPoints;
    if (sameLength && instance.scannedPoints != nullptr && instance.scannedLeafPoints == leafPoints)
        return;
    instance.scannedPoints.reset();
    instance.scannedLeafPoints = 0;
    const auto leaves = static_cast<std::size_t>(instance.leafArrayLength);
    if (leaves == 0 || leafPoints < minimumLeafPoints ||
        static_cast<std::size_t>(leafPoints) > PTRDIFF_MAX / sizeof(ScannedPoint) / leaves)
        return;
    try {
        instance.scannedPoints =
            std::make_unique<ScannedPoint[]>(leaves * static_cast<std::size_t>(leafPoints));
        instance.scannedLeafPoints = leafPoints;
    } catch (const std::bad_alloc &) {
        // Every scan measures every leaf.
    }
}

}  // namespace

void resizeLeafArrays(PluginInstance &instance) noexcept {
    const std::int32_t n = arrayLengthFor(instance.leafCount);
    if (n > 0 && n == instance.leafArrayLength) {
        // The same length (a scene's instance is made, then loaded): reset in place rather than
        // freeing the arrays and asking for as much memory again.
        const auto length = static_cast<std::size_t>(n);
        std::fill_n(instance.frames.get(), length, LeafFrame{});
        std::fill_n(instance.pivots.get(), length, Vector3{});
        std::fill_n(instance.centres.get(), length, Vector3{});
        std::fill_n(instance.turns.get(), length, LeafTurns{});
        instance.aim.forget();
        instance.measuredLeaves = 0;
        keepScannedPoints(instance, true);
        return;
    }
    instance.frames.reset();
    instance.pivots.reset();
    instance.centres.reset();
    instance.turns.reset();
    instance.aim.forget();
    instance.leafArrayLength = 0;
    instance.measuredLeaves = 0;
    keepScannedPoints(instance, false);
    if (n == 0) return;
    try {
        auto frames = std::make_unique<LeafFrame[]>(static_cast<std::size_t>(n));
        auto pivots = std::make_unique<Vector3[]>(static_cast<std::size_t>(n));
        auto centres = std::make_unique<Vector3[]>(static_cast<std::size_t>(n));
        auto turns = std::make_unique<LeafTurns[]>(static_cast<std::size_t>(n));
        instance.frames = std::move(frames);
        instance.pivots = std::move(pivots);
        instance.centres = std::move(centres);
        instance.turns = std::move(turns);
        instance.leafArrayLength = n;
    } catch (const std::bad_alloc &) {
        // Arrays stay absent: no leaf is measured or turned.
        return;
    }
    keepScannedPoints(instance, false);
}

double wholeLeafCount(const PluginInstance &instance) {
    if (instance.leafPoints < 1) return 0.0;
    return static_cast<double>(instance.pointCount / instance.leafPoints);
}

double realLeafCount(const PluginInstance &instance) {
    if (instance.leafPoints < 1) return 0.0;
    return static_cast<double>(instance.pointCount) / static_cast<double>(instance.leafPoints);
}

}  // namespace vistrel
