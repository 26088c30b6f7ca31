#include "instance/plugin_instance.h"

#include <algorithm>
#include <cmath>
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
        instance.target.forget();
        instance.measuredLeaves = 0;
        return;
    }
    instance.frames.reset();
    instance.pivots.reset();
    instance.centres.reset();
    instance.turns.reset();
    instance.target.forget();
    instance.leafArrayLength = 0;
    instance.measuredLeaves = 0;
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
    }
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
