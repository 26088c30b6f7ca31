// The validator's host, evaluation side: frames and passes, each point checked against the leaf it
// belongs to, and the scans that the module's calls imply.
#include "validate/checked_host.h"

#include "validate/validation_failure.h"

#include <array>
#include <cstring>

namespace validate {

// --- Evaluation

void CheckedHost::newTime(TrackedInstance &instance, std::int32_t frame, double time) {
    if (const char *error = host_.newTime(instance.handle, frame, time))
        fail(std::string("newTime answered the error \"") + error + "\"; expected none");
    instance.scanDue = true;
}

PassTally CheckedHost::frame(TrackedInstance &instance, std::int32_t frame) {
    newTime(instance, frame, host_.frames().timeOf(frame));
    if (!basePositions(instance.object).empty()) beforeEvaluate(instance);
    const std::vector<hostsim::Position> after = host_.evaluatePass(instance.handle);
    try {
        return checkFrame(instance, after);
    } catch (const ValidationFailure &error) {
        fail("frame " + std::to_string(frame) + ", " + error.what());
    }
}

PassTally CheckedHost::checkFrame(TrackedInstance &instance, const std::vector<Position> &after) {
    const std::vector<Position> before = basePositions(instance.object);
    const PassTally tally =
        checkFramePass(before, after, layoutOf(instance), !instance.tailSettled);
    tally_ += tally;
    instance.nextPoint = 0;
    return tally;
}

namespace {

void countVerdict(PassTally &tally, PointVerdict verdict) {
    if (verdict != PointVerdict::unchanged) ++tally.turned;
}

const Position *likelyPivot(const TrackedInstance &instance, std::size_t point) {
    const auto lp = instance.latestRule.leafPoints;
    const std::size_t leaf = lp < 2 ? point : point / static_cast<std::size_t>(lp);
    return leaf < instance.latestPivots.size() ? &instance.latestPivots[leaf] : nullptr;
}

}  // namespace

PassTally CheckedHost::pass(TrackedInstance &instance) {
    const std::vector<Position> before = basePositions(instance.object);
    if (!before.empty()) beforeEvaluate(instance);
    const std::vector<hostsim::Position> after = host_.evaluatePass(instance.handle);
    PassTally tally{before.size(), 0};
    for (std::size_t i = 0; i < before.size(); ++i) {
        try {
            countVerdict(tally, checkTurnedPoint(before[i], after[i], instance.pivots,
                                                 likelyPivot(instance, i)));
        } catch (const ValidationFailure &error) {
            fail("a pass without newTime, point " + std::to_string(i) + ": " + error.what());
        }
    }
    instance.nextPoint = 0;
    tally_ += tally;
    return tally;
}

PassTally CheckedHost::evaluatePoints(TrackedInstance &instance, std::size_t count,
                                      const std::optional<Position> &offset) {
    const std::size_t points = basePositions(instance.object).size();
    PassTally tally;
    if (points == 0) return tally;
    beforeEvaluate(instance);
    for (std::size_t c = 0; c < count; ++c) {
        const std::size_t i = instance.nextPoint % points;
        PointAccess access = host_.pointAccess(instance.handle, i);
        if (offset)
            for (std::size_t axis = 0; axis < 3; ++axis) access.position[axis] += (*offset)[axis];
        const Position before{access.position[0], access.position[1], access.position[2]};
        host_.evaluate(instance.handle, access);
        const Position after{access.position[0], access.position[1], access.position[2]};
        try {
            countVerdict(
                tally, checkTurnedPoint(before, after, instance.pivots, likelyPivot(instance, i)));
        } catch (const ValidationFailure &error) {
            fail("point " + std::to_string(i) + " evaluated on its own: " + error.what());
        }
        ++tally.evaluated;
        instance.nextPoint = (i + 1) % points;
    }
    tally_ += tally;
    return tally;
}

void CheckedHost::beforeEvaluate(TrackedInstance &instance) {
    if (instance.target && *instance.target == nullptr)
        instance.target = instance.settings
                              ? std::optional(itemIdAt(instance.settings->targetIndex))
                              : std::nullopt;
    if (instance.scanDue && host_.scene().meshOf(instance.object) != nullptr) {
        noteScan(instance);
        instance.scanDue = false;
    }
}

void CheckedHost::noteScan(TrackedInstance &instance) {
    const LeafRule rule = layoutOf(instance);
    instance.latestRule = rule;
    instance.latestPivots = scanPivots(basePositions(instance.object), rule);
    for (const Position &pivot : instance.latestPivots) {
        std::array<std::uint64_t, 3> bits{};
        std::memcpy(bits.data(), pivot.data(), sizeof bits);
        if (instance.pivotBits.insert(bits).second) instance.pivots.push_back(pivot);
    }
}

}  // namespace validate
