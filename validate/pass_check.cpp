#include "validate/pass_check.h"

#include "validate/validation_failure.h"

#include <algorithm>
#include <cfloat>
#include <string>
#include <vector>

namespace validate {
namespace {

std::string pointName(std::size_t index) { return "point " + std::to_string(index); }

// A quarter of the largest magnitude among the leaf's finite positions and its pivot: the scale of
// rounding errors.
double scaleOf(std::span<const Position> before, std::span<const Position> after,
               const Position &pivot) {
    double scale = quarterMagnitude(pivot);
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (isFinite(before[i])) scale = std::max(scale, quarterMagnitude(before[i]));
        if (isFinite(after[i])) scale = std::max(scale, quarterMagnitude(after[i]));
    }
    return scale;
}

bool sameDistance(double a, double b, double scale) {
    return std::abs(a - b) <= distanceTolerance * scale + DBL_MIN;
}

// A leaf with more points than this is checked against a few anchor points instead of pairwise.
constexpr std::size_t pairwiseLimit = 24;

// Whether the point handed back is acceptable on its own: unchanged, or finite from a finite start.
// Returns whether it moved.
bool checkAlone(const Position &before, const Position &after, const std::string &name) {
    if (sameBits(before, after)) return false;
    if (!isFinite(after))
        fail(name + ": evaluate wrote the non-finite position " + formatPosition(after) + " over " +
             formatPosition(before) + "; expected a finite turned position or the point unchanged");
    if (!isFinite(before))
        fail(name + ": the non-finite position " + formatPosition(before) + " came back as " +
             formatPosition(after) + "; expected it unchanged");
    return true;
}

}  // namespace

PassTally checkLeaf(std::span<const Position> before, std::span<const Position> after,
                    std::size_t first, const Position &pivot) {
    PassTally tally{before.size(), 0};
    std::vector<std::size_t> finite;
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (checkAlone(before[i], after[i], pointName(first + i))) ++tally.turned;
        if (isFinite(before[i])) finite.push_back(i);
    }
    if (tally.turned == 0) return tally;
    if (!isFinite(pivot)) {
        for (std::size_t i = 0; i < before.size(); ++i)
            if (!sameBits(before[i], after[i]))
                fail(pointName(first + i) + " moved from " + formatPosition(before[i]) + " to " +
                     formatPosition(after[i]) + ", but its leaf's pivot " + formatPosition(pivot) +
                     " is not finite; expected the leaf unchanged");
    }
    const double scale = scaleOf(before, after, pivot);
    for (const std::size_t i : finite) {
        const double was = quarterDistance(before[i], pivot);
        const double is = quarterDistance(after[i], pivot);
        if (!sameDistance(was, is, scale))
            fail(pointName(first + i) + " moved from " + formatPosition(before[i]) + " to " +
                 formatPosition(after[i]) + ": its distance to the leaf's pivot " +
                 formatPosition(pivot) + " changed from " + formatNumber(4 * was) + " to " +
                 formatNumber(4 * is) + "; expected a turn about the pivot");
    }
    std::vector<std::size_t> anchors = finite;
    if (anchors.size() > pairwiseLimit)
        anchors = {finite.front(), finite[finite.size() / 3], finite[2 * finite.size() / 3],
                   finite.back()};
    for (const std::size_t i : finite)
        for (const std::size_t j : anchors) {
            if (j == i) continue;
            const double was = quarterDistance(before[i], before[j]);
            const double is = quarterDistance(after[i], after[j]);
            if (!sameDistance(was, is, scale))
                fail(pointName(first + i) + " and " + pointName(first + j) +
                     " of one leaf: their distance changed from " + formatNumber(4 * was) + " to " +
                     formatNumber(4 * is) + " (" + formatPosition(before[i]) + " to " +
                     formatPosition(after[i]) + ", " + formatPosition(before[j]) + " to " +
                     formatPosition(after[j]) + "); expected the leaf turned rigidly");
        }
    return tally;
}

PassTally checkFramePass(std::span<const Position> before, std::span<const Position> after,
                         LeafRule rule, bool tailMayTurn) {
    if (before.size() != after.size())
        fail("the pass handed back " + std::to_string(after.size()) + " positions for " +
             std::to_string(before.size()) + " points");
    PassTally tally;
    for (const LeafSpan &span : leafSpans(before.size(), rule)) {
        const auto in = before.subspan(span.first, span.count);
        const auto out = after.subspan(span.first, span.count);
        if (span.whole || tailMayTurn) {
            tally += checkLeaf(in, out, span.first, rulePivot(in, rule));
            continue;
        }
        for (std::size_t i = 0; i < in.size(); ++i)
            if (!sameBits(in[i], out[i]))
                fail(pointName(span.first + i) + " belongs to no whole leaf (" +
                     std::to_string(rule.leafPoints) + " points per leaf, " +
                     std::to_string(before.size()) + " points) but moved from " +
                     formatPosition(in[i]) + " to " + formatPosition(out[i]) +
                     "; expected it unchanged");
        tally.evaluated += in.size();
    }
    return tally;
}

PointVerdict checkTurnedPoint(const Position &before, const Position &after,
                              std::span<const Position> pivots, const Position *likely) {
    if (!checkAlone(before, after, "the point")) return PointVerdict::unchanged;
    const auto turnsAbout = [&](const Position &pivot) {
        if (!isFinite(pivot)) return false;
        const double scale =
            std::max({quarterMagnitude(before), quarterMagnitude(after), quarterMagnitude(pivot)});
        return sameDistance(quarterDistance(before, pivot), quarterDistance(after, pivot), scale);
    };
    if (likely != nullptr && turnsAbout(*likely)) return PointVerdict::turned;
    if (std::any_of(pivots.begin(), pivots.end(), turnsAbout)) return PointVerdict::turned;
    fail("the point moved from " + formatPosition(before) + " to " + formatPosition(after) +
         ", which is no turn about any leaf pivot of the latest scans" +
         (likely ? "; its own leaf's pivot is " + formatPosition(*likely) : std::string()));
}

}  // namespace validate
