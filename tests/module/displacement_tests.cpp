// The displacement end to end, through the stand-in host: the square leaf's worked example, the
// pivot rules, leaf bounds, passes, target resolution, degenerate input and a randomized property.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "host/service_names.h"
#include "hostsim/host.h"
#include "tests/module/scenes.h"

using namespace moduletest;

namespace {

using hostsim::Point3;

Point3 unit(Point3 a) { return (1.0 / length(a)) * a; }

// A leaf measured as a host-independent reference: pivot by rule, and the face normal the leaf
// frame's +Z runs along (axis0 x axis1).
struct Measured {
    Point3 pivot;
    Point3 axis1;
    Point3 normal;
};

Measured measure(const std::vector<Point3> &leaf, std::int32_t rule) {
    const std::size_t n = leaf.size();
    Point3 pivot = leaf[0];
    if (rule == 1) pivot = 0.5 * (leaf[0] + leaf[1]);
    if (rule == 2) pivot = 0.5 * (leaf[0] + leaf[n - 1]);
    if (rule == 3) pivot = leaf[n - 1];
    Point3 centre{0, 0, 0};
    for (std::size_t i = 1; i < n; ++i) centre = centre + leaf[i];
    centre = (1.0 / static_cast<double>(n - 1)) * centre;
    const Point3 axis1 = centre - pivot;
    const Point3 axis2 = cross(axis1, leaf[1] - leaf[0]);
    const Point3 axis0 = cross(axis2, axis1);
    return {pivot, axis1, cross(axis0, axis1)};
}

// q turned half a turn about the line through `pivot` along `direction`.
Position halfTurn(Point3 q, Point3 pivot, Point3 direction) {
    const Point3 u = unit(direction);
    const Point3 d = q - pivot;
    return hostsim::toPosition(pivot + (2.0 * dot(u, d)) * u - d);
}

}  // namespace

TEST(SquareLeafWorkedExample, TargetInFrontLeavesEveryPointWhereItIs) {
    for (const bool heading : {false, true}) {
        for (const bool pitch : {false, true}) {
            const auto moved = squareFrame({0, 0, -10}, heading, pitch);
            for (std::size_t i = 0; i < 4; ++i)
                EXPECT_TRUE(near(moved[i], base(squareLeaf(), i), tolerance)) << i;
        }
    }
}

TEST(SquareLeafWorkedExample, TargetBehindTurnsTheLeafHalfwayAboutItsDiagonal) {
    for (const bool pitch : {false, true}) {
        const auto moved = squareFrame({0, 0, 10}, true, pitch);
        EXPECT_TRUE(near(moved[0], {0, 0, 0}, tolerance));
        EXPECT_TRUE(near(moved[1], {0, 1, 0}, tolerance));
        EXPECT_TRUE(near(moved[2], {1, 1, 0}, tolerance));
        EXPECT_TRUE(near(moved[3], {1, 0, 0}, tolerance));
    }
}

TEST(SquareLeafWorkedExample, TargetBehindWithPitchAloneChangesNothing) {
    const auto moved = squareFrame({0, 0, 10}, false, true);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_TRUE(near(moved[i], base(squareLeaf(), i), tolerance)) << i;
}

TEST(SquareLeafWorkedExample, TargetAlongXWithBothSwitchesStandsTheLeafInThePlaneXZero) {
    const auto moved = squareFrame({10, 0, 0}, true, true);
    EXPECT_TRUE(near(moved[0], {0, 0, 0}, tolerance));
    EXPECT_TRUE(near(moved[1], {0, r2 / 2, r2 / 2}, tolerance));
    EXPECT_TRUE(near(moved[2], {0, r2, 0}, tolerance));
    EXPECT_TRUE(near(moved[3], {0, r2 / 2, -r2 / 2}, tolerance));
}

TEST(SquareLeafWorkedExample, TargetAlongXWithHeadingAloneTurnsAboutTheDiagonal) {
    const auto moved = squareFrame({10, 0, 0}, true, false);
    EXPECT_TRUE(near(moved[0], {0, 0, 0}, tolerance));
    EXPECT_TRUE(near(moved[1], {0.5, 0.5, r2 / 2}, tolerance));
    EXPECT_TRUE(near(moved[2], {1, 1, 0}, tolerance));
    EXPECT_TRUE(near(moved[3], {0.5, 0.5, -r2 / 2}, tolerance));
}

TEST(PivotRules, TargetBehindThePivotTurnsTheLeafHalfwayAboutPivotToCentre) {
    // Pivot of each rule on the square leaf; rule 7 is not a rule and pivots on the first point.
    const std::vector<std::pair<std::int32_t, Point3>> rules = {
        {0, {0, 0, 0}}, {1, {0.5, 0, 0}}, {2, {0, 0.5, 0}}, {3, {0, 1, 0}}, {7, {0, 0, 0}}};
    const Point3 centre{2.0 / 3, 2.0 / 3, 0};
    for (const auto &[rule, pivot] : rules) {
        // Behind the leaf is +Z where the pivot-to-centre axis points up in Y, -Z otherwise.
        const Point3 axis1 = centre - pivot;
        const double behind = axis1.y > 0 ? 10.0 : -10.0;
        const auto moved = squareFrame({pivot.x, pivot.y, behind}, true, false, rule);
        for (std::size_t i = 0; i < 4; ++i) {
            EXPECT_TRUE(near(moved[i],
                             halfTurn(hostsim::toPoint3(base(squareLeaf(), i)), pivot, axis1),
                             tolerance))
                << "rule " << rule << " point " << i;
        }
    }
}

TEST(LeafBounds, TenPointsLeaveTheLastTwoUnchanged) {
    const Points points = squareRow(10);
    hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(points, {3, -4, 10}));
    const ScopedInstance instance(host);
    host.load(instance, Settings{4, 2, 0, 1, 1}.stored());
    const auto moved = host.evaluateFrame(instance, 0);
    // The first point of each leaf is its pivot and stays; the others turn.
    for (std::size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(near(moved[i], base(points, i), 1e-6), i % 4 == 0) << i;
    }
    EXPECT_EQ(moved[8], base(points, 8));
    EXPECT_EQ(moved[9], base(points, 9));
}

TEST(LeafBounds, ASecondPassWithoutNewTimeHandsEveryPointBack) {
    const Points points = squareRow(8);
    hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(points, {0, 0, 10}));
    const ScopedInstance instance(host);
    host.load(instance, Settings{4, 2, 0, 1, 1}.stored());
    host.evaluateFrame(instance, 0);
    EXPECT_EQ(host.evaluatePass(instance), bases(points));
}

TEST(LeafBounds, BothSwitchesOffCarryEachPointIntoItsFrameAndBack) {
    const Points points = squareRow(12);
    hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(points, {3, -4, 10}));
    const ScopedInstance instance(host);
    host.load(instance, Settings{4, 2, 2, 0, 0}.stored());
    const auto moved = host.evaluateFrame(instance, 0);
    for (std::size_t i = 0; i < points.size(); ++i)
        EXPECT_TRUE(near(moved[i], base(points, i), tolerance)) << i;
}

TEST(LeafBounds, ObjectWithoutMeshNeverMoves) {
    hostsim::Scene scene = leafAndTarget(squareLeaf(), {0, 0, 10});
    scene.items.push_back(marker("Empty", {}));
    hostsim::Host host(VISTREL_MODULE_FILE, scene);
    const ScopedInstance meshless(host, 2);
    host.load(meshless, Settings{4, 2, 0, 1, 1}.stored());
    const ScopedInstance other(host);
    for (int frame = 0; frame < 2; ++frame) {
        host.newTime(meshless, frame);
        // Even handed the points of a mesh, an instance made without one has no leaves.
        for (std::size_t i = 0; i < 4; ++i) {
            PointAccess access = host.pointAccess(other, i);
            host.evaluate(meshless, access);
            EXPECT_EQ((Position{access.position[0], access.position[1], access.position[2]}),
                      base(squareLeaf(), i));
        }
    }
}

// A target straight below the leaf along its own -Y: the pitch turn alone must bring the face round
// to it.
TEST(PitchAlignment, TargetStraightBelowTheLeafIsFacedNotTurnedAwayFrom) {
    const Point3 target{-5, -5,
                        0};  // -Y of the square leaf's frame runs along (-1, -1, 0) from the pivot
    const auto moved = squareFrame({target.x, target.y, target.z}, false, true);
    std::vector<Point3> leaf;
    for (const auto &p : moved) leaf.push_back(hostsim::toPoint3(p));
    const Measured m = measure(leaf, 0);
    EXPECT_GE(dot(-1.0 * unit(m.normal), unit(target - m.pivot)), 0.999999);
}

TEST(RandomizedLeaves, EveryTurnedLeafKeepsItsShapeAndPivotAndFacesTheTarget) {
    std::mt19937 rng(1207);
    std::uniform_real_distribution<float> coord(-1.0f, 1.0f);
    std::uniform_real_distribution<double> far(-20.0, 20.0);
    constexpr int leaves = 40;
    constexpr int frames = 8;
    for (std::int32_t size = 3; size <= 6; ++size) {
        for (std::int32_t rule = 0; rule <= 3; ++rule) {
            hostsim::Scene scene;
            Points points;
            for (int leaf = 0; leaf < leaves; ++leaf) {
                const float ox = 10.0f * coord(rng), oy = 10.0f * coord(rng),
                            oz = 10.0f * coord(rng);
                for (std::int32_t k = 0; k < size; ++k)
                    points.push_back({ox + coord(rng), oy + coord(rng), oz + coord(rng)});
            }
            scene.items.push_back(object("Leaves", points));
            hostsim::Item target = marker("Target", {});
            target.motion.keys.clear();
            for (int f = 0; f < frames; ++f)
                target.motion.keys.push_back({double(f), {far(rng), far(rng), far(rng)}});
            scene.items.push_back(target);
            scene.frames.framesPerSecond = 1.0;
            hostsim::Host host(VISTREL_MODULE_FILE, scene);
            const ScopedInstance instance(host);
            host.load(instance, Settings{size, 2, rule, 1, 1}.stored());

            for (int f = 0; f < frames; ++f) {
                const auto moved = host.evaluateFrame(instance, f);
                const Point3 t = target.motion.keys[f].position;
                for (int leaf = 0; leaf < leaves; ++leaf) {
                    std::vector<Point3> before, after;
                    for (std::int32_t k = 0; k < size; ++k) {
                        before.push_back(hostsim::toPoint3(base(points, leaf * size + k)));
                        after.push_back(hostsim::toPoint3(moved[leaf * size + k]));
                    }
                    const Measured was = measure(before, rule);
                    // Nearly collinear leaves have no well-defined face to check.
                    if (length(was.normal) < 1e-3 * std::pow(length(was.axis1), 4)) continue;
                    const Measured now = measure(after, rule);
                    for (std::int32_t i = 0; i < size; ++i) {
                        for (std::int32_t j = i + 1; j < size; ++j) {
                            const double d0 = length(before[i] - before[j]);
                            EXPECT_NEAR(length(after[i] - after[j]), d0, 1e-9 * std::max(1.0, d0));
                        }
                    }
                    EXPECT_LT(length(now.pivot - was.pivot),
                              1e-9 * std::max(1.0, length(was.pivot)));
                    EXPECT_GE(dot(-1.0 * unit(now.normal), unit(t - now.pivot)), 0.999999)
                        << "size " << size << " rule " << rule << " frame " << f << " leaf "
                        << leaf;
                }
            }
        }
    }
}
