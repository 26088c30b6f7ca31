// The validator's checks on their own, on positions made here: what they accept (rigid turns about
// the pivot, points handed back unchanged) and what they catch.
#include "validate/leaf_layout.h"
#include "validate/pass_check.h"
#include "validate/validation_failure.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <vector>

namespace {

using validate::LeafRule;
using validate::Position;
using validate::ValidationFailure;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

const std::vector<Position> square = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};

// Turns `points` by `angle` about the Z axis through `pivot`.
std::vector<Position> turned(const std::vector<Position> &points, const Position &pivot,
                             double angle) {
    std::vector<Position> out;
    for (const Position &p : points) {
        const double x = p[0] - pivot[0], y = p[1] - pivot[1];
        out.push_back({pivot[0] + std::cos(angle) * x - std::sin(angle) * y,
                       pivot[1] + std::sin(angle) * x + std::cos(angle) * y, p[2]});
    }
    return out;
}

std::vector<Position> concat(std::vector<Position> a, const std::vector<Position> &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// --- Leaf layout

TEST(LeafLayout, TenPointsOfFourMakeTwoWholeLeavesAndAPartOne) {
    const auto spans = validate::leafSpans(10, {4, 0});
    ASSERT_EQ(spans.size(), 3u);
    EXPECT_TRUE(spans[1].whole);
    EXPECT_EQ(spans[2].first, 8u);
    EXPECT_EQ(spans[2].count, 2u);
    EXPECT_FALSE(spans[2].whole);
}

TEST(LeafLayout, BelowTwoPointsPerLeafEveryPointIsALeafOfItsOwn) {
    for (const std::int32_t size : {1, 0, -1, INT32_MIN})
        EXPECT_EQ(validate::leafSpans(5, {size, 0}).size(), 5u);
    EXPECT_EQ(validate::leafSpans(5, {INT32_MAX, 0}).size(), 1u);
}

TEST(LeafLayout, PivotRulesOfTheSquareLeaf) {
    EXPECT_EQ(validate::rulePivot(square, {4, 0}), (Position{0, 0, 0}));
    EXPECT_EQ(validate::rulePivot(square, {4, 1}), (Position{0.5, 0, 0}));
    EXPECT_EQ(validate::rulePivot(square, {4, 2}), (Position{0, 0.5, 0}));
    EXPECT_EQ(validate::rulePivot(square, {4, 3}), (Position{0, 1, 0}));
    EXPECT_EQ(validate::rulePivot(square, {4, 7}), (Position{0, 0, 0}));
    EXPECT_EQ(validate::rulePivot(square, {4, -1}), (Position{0, 0, 0}));
}

TEST(LeafLayout, APartLeafKeepsThePivotItsRuleHadReached) {
    const std::vector<Position> part(square.begin(), square.begin() + 2);
    EXPECT_EQ(validate::rulePivot(part, {4, 1}), (Position{0.5, 0, 0}));
    EXPECT_EQ(validate::rulePivot(part, {4, 2}), (Position{0, 0, 0}));
    EXPECT_EQ(validate::rulePivot(part, {4, 3}), (Position{0, 0, 0}));
}

// --- Frame passes: accepted

TEST(FramePassAccepts, LeavesTurnedRigidlyAboutTheirPivots) {
    const auto before = concat(square, {{5, 5, 5}, {6, 5, 5}, {6, 6, 5}, {5, 6, 5}});
    const auto after =
        concat(turned(square, {0, 0, 0}, 1.0),
               turned({{5, 5, 5}, {6, 5, 5}, {6, 6, 5}, {5, 6, 5}}, {5, 5, 5}, -2.0));
    const auto tally = validate::checkFramePass(before, after, {4, 0}, false);
    EXPECT_EQ(tally.evaluated, 8u);
    EXPECT_EQ(tally.turned, 6u);  // each leaf's pivot stays put
}

TEST(FramePassAccepts, EveryPivotRuleTurnsAboutItsOwnPivot) {
    for (const std::int32_t rule : {0, 1, 2, 3}) {
        const Position pivot = validate::rulePivot(square, {4, rule});
        EXPECT_NO_THROW(
            validate::checkFramePass(square, turned(square, pivot, 0.7), {4, rule}, false))
            << "rule " << rule;
    }
}

TEST(FramePassAccepts, PointsHandedBackUnchangedNonFiniteOnesIncluded) {
    const std::vector<Position> before = {
        {nan, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, nan, 1}};
    EXPECT_EQ(validate::checkFramePass(before, before, {4, 0}, false).turned, 0u);
}

TEST(FramePassAccepts, APartLeafTurnedAboutItsReachedPivotWhenTheLeafCountMayBeStale) {
    const auto before = concat(square, {{5, 5, 5}, {6, 5, 5}});
    const auto after = concat(square, turned({{5, 5, 5}, {6, 5, 5}}, {5.5, 5, 5}, 1.0));
    EXPECT_NO_THROW(validate::checkFramePass(before, after, {4, 1}, true));
}

TEST(FramePassAccepts, HugeCoordinatesTurnedRigidly) {
    const std::vector<Position> before = {
        {0, 0, 0}, {DBL_MAX / 2, 0, 0}, {0, -DBL_MAX / 2, 0}, {1e300, 1e300, 0}};
    EXPECT_NO_THROW(
        validate::checkFramePass(before, turned(before, {0, 0, 0}, 0.5), {4, 0}, false));
}

// --- Frame passes: caught

TEST(FramePassCatches, ANonFinitePositionWritten) {
    auto after = square;
    after[2][1] = nan;
    EXPECT_THROW(validate::checkFramePass(square, after, {4, 0}, false), ValidationFailure);
}

TEST(FramePassCatches, ANonFinitePositionReplacedByAFiniteOne) {
    std::vector<Position> before = square;
    before[3] = {0, nan, 0};
    auto after = turned(before, {0, 0, 0}, 1.0);
    after[3] = {7, 7, 7};
    EXPECT_THROW(validate::checkFramePass(before, after, {4, 0}, false), ValidationFailure);
}

TEST(FramePassCatches, ALeafStretched) {
    std::vector<Position> after;
    for (const Position &p : square) after.push_back({p[0] * 1.5, p[1] * 1.5, p[2]});
    EXPECT_THROW(validate::checkFramePass(square, after, {4, 0}, false), ValidationFailure);
}

TEST(FramePassCatches, ALeafTurnedAboutAnotherPointThanItsPivot) {
    EXPECT_THROW(
        validate::checkFramePass(square, turned(square, {0.5, 0.5, 0}, 1.0), {4, 0}, false),
        ValidationFailure);
}

TEST(FramePassCatches, ALeafTurnedAboutThePivotOfAnotherRule) {
    EXPECT_THROW(validate::checkFramePass(square, turned(square, {0, 1, 0}, 1.0), {4, 1}, false),
                 ValidationFailure);
}

TEST(FramePassCatches, OnePointOfALeafMovedOnItsOwnSphere) {
    auto after = square;
    after[2] = {-1, -1, 0};  // as far from the pivot as before, but not from the other points
    EXPECT_THROW(validate::checkFramePass(square, after, {4, 0}, false), ValidationFailure);
}

TEST(FramePassCatches, APointOfNoWholeLeafMoved) {
    const auto before = concat(square, {{5, 5, 5}, {6, 5, 5}});
    const auto after = concat(square, turned({{5, 5, 5}, {6, 5, 5}}, {5, 5, 5}, 1.0));
    EXPECT_THROW(validate::checkFramePass(before, after, {4, 0}, false), ValidationFailure);
}

TEST(FramePassCatches, ALeafTurnedAboutANonFinitePivot) {
    std::vector<Position> before = square;
    before[0] = {nan, 0, 0};
    auto after = before;
    after[1] = {0, 1, 0};
    EXPECT_THROW(validate::checkFramePass(before, after, {4, 0}, false), ValidationFailure);
}

TEST(FramePassCatches, AMissingPosition) {
    const std::vector<Position> after(square.begin(), square.begin() + 3);
    EXPECT_THROW(validate::checkFramePass(square, after, {4, 0}, false), ValidationFailure);
}

// --- Points evaluated outside a frame pass

TEST(TurnedPoint, IsAcceptedAboutAnyPivotOfTheLatestScans) {
    const std::vector<Position> pivots = {{9, 9, 9}, {1, 1, 0}};
    EXPECT_EQ(validate::checkTurnedPoint({2, 1, 0}, {1, 2, 0}, pivots, nullptr),
              validate::PointVerdict::turned);
    EXPECT_EQ(validate::checkTurnedPoint({2, 1, 0}, {2, 1, 0}, pivots, nullptr),
              validate::PointVerdict::unchanged);
}

TEST(TurnedPoint, IsCaughtWhenItTurnedAboutNoPivot) {
    EXPECT_THROW(validate::checkTurnedPoint({3, 4, 0}, {-4, 3, 0}, std::vector<Position>{{9, 9, 9}},
                                            nullptr),
                 ValidationFailure);
    EXPECT_THROW(validate::checkTurnedPoint({3, 4, 0}, {30, 4, 0}, std::vector<Position>{{9, 9, 9}},
                                            nullptr),
                 ValidationFailure);
    EXPECT_THROW(validate::checkTurnedPoint({3, 4, 0}, {nan, 4, 0},
                                            std::vector<Position>{{3, 4, 0}}, nullptr),
                 ValidationFailure);
}

}  // namespace
