// The displacement end to end, through the stand-in host: the square leaf's worked example, the pivot
// rules, leaf bounds, passes, target resolution, degenerate input and a randomized property.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "host/service_names.h"
#include "hostsim/host.h"
#include "module_scenes.h"

using namespace moduletest;

namespace {

// Results of a few sines and cosines of exact inputs: a handful of ulps.
constexpr double tolerance = 1e-12;
const double r2 = std::sqrt(2.0);
const double notANumber = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

// One frame of the square leaf toward `target` with the given switches.
std::vector<Position> squareFrame(hostsim::Point3 target, bool heading, bool pitch, std::int32_t pivot = 0) {
    hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(squareLeaf(), target));
    void *instance = host.create(0);
    host.load(instance, Settings{4, 2, pivot, heading ? 1 : 0, pitch ? 1 : 0}.stored());
    auto moved = host.evaluateFrame(instance, 0);
    host.destroy(instance);
    return moved;
}

struct Vec {
    double x, y, z;
};
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec operator*(double s, Vec a) { return {s * a.x, s * a.y, s * a.z}; }
double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec crossOf(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double length(Vec a) { return std::sqrt(dot(a, a)); }
Vec unit(Vec a) { return (1.0 / length(a)) * a; }
Vec vec(const Position &p) { return {p[0], p[1], p[2]}; }
Position pos(Vec v) { return {v.x, v.y, v.z}; }

// A leaf measured as a host-independent reference: pivot by rule, and the face normal the leaf frame's
// +Z runs along (axis0 x axis1).
struct Measured {
    Vec pivot;
    Vec axis1;
    Vec normal;
};

Measured measure(const std::vector<Vec> &leaf, std::int32_t rule) {
    const std::size_t n = leaf.size();
    Vec pivot = leaf[0];
    if (rule == 1) pivot = 0.5 * (leaf[0] + leaf[1]);
    if (rule == 2) pivot = 0.5 * (leaf[0] + leaf[n - 1]);
    if (rule == 3) pivot = leaf[n - 1];
    Vec centre{0, 0, 0};
    for (std::size_t i = 1; i < n; ++i) centre = centre + leaf[i];
    centre = (1.0 / static_cast<double>(n - 1)) * centre;
    const Vec axis1 = centre - pivot;
    const Vec axis2 = crossOf(axis1, leaf[1] - leaf[0]);
    const Vec axis0 = crossOf(axis2, axis1);
    return {pivot, axis1, crossOf(axis0, axis1)};
}

// q turned half a turn about the line through `pivot` along `direction`.
Position halfTurn(Vec q, Vec pivot, Vec direction) {
    const Vec u = unit(direction);
    const Vec d = q - pivot;
    return pos(pivot + (2.0 * dot(u, d)) * u - d);
}

}  // namespace

TEST(SquareLeafWorkedExample, TargetInFrontLeavesEveryPointWhereItIs) {
    for (const bool heading : {false, true}) {
        for (const bool pitch : {false, true}) {
            const auto moved = squareFrame({0, 0, -10}, heading, pitch);
            for (std::size_t i = 0; i < 4; ++i) EXPECT_TRUE(near(moved[i], base(squareLeaf(), i), tolerance)) << i;
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
    for (std::size_t i = 0; i < 4; ++i) EXPECT_TRUE(near(moved[i], base(squareLeaf(), i), tolerance)) << i;
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
    const std::vector<std::pair<std::int32_t, Vec>> rules = {
        {0, {0, 0, 0}}, {1, {0.5, 0, 0}}, {2, {0, 0.5, 0}}, {3, {0, 1, 0}}, {7, {0, 0, 0}}};
    const Vec centre{2.0 / 3, 2.0 / 3, 0};
    for (const auto &[rule, pivot] : rules) {
        // Behind the leaf is +Z where the pivot-to-centre axis points up in Y, -Z otherwise.
        const Vec axis1 = centre - pivot;
        const double behind = axis1.y > 0 ? 10.0 : -10.0;
        const auto moved = squareFrame({pivot.x, pivot.y, behind}, true, false, rule);
        for (std::size_t i = 0; i < 4; ++i) {
            EXPECT_TRUE(near(moved[i], halfTurn(vec(base(squareLeaf(), i)), pivot, axis1), tolerance))
                << "rule " << rule << " point " << i;
        }
    }
}

TEST(LeafBounds, TenPointsLeaveTheLastTwoUnchanged) {
    const Points points = squareRow(10);
    hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(points, {3, -4, 10}));
    void *instance = host.create(0);
    host.load(instance, Settings{4, 2, 0, 1, 1}.stored());
    const auto moved = host.evaluateFrame(instance, 0);
    // The first point of each leaf is its pivot and stays; the others turn.
    for (std::size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(near(moved[i], base(points, i), 1e-6), i % 4 == 0) << i;
    }
    EXPECT_EQ(moved[8], base(points, 8));
    EXPECT_EQ(moved[9], base(points, 9));
    host.destroy(instance);
}

TEST(LeafBounds, ASecondPassWithoutNewTimeHandsEveryPointBack) {
    const Points points = squareRow(8);
    hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(points, {0, 0, 10}));
    void *instance = host.create(0);
    host.load(instance, Settings{4, 2, 0, 1, 1}.stored());
    host.evaluateFrame(instance, 0);
    EXPECT_EQ(host.evaluatePass(instance), bases(points));
    host.destroy(instance);
}

TEST(LeafBounds, BothSwitchesOffCarryEachPointIntoItsFrameAndBack) {
    const Points points = squareRow(12);
    hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(points, {3, -4, 10}));
    void *instance = host.create(0);
    host.load(instance, Settings{4, 2, 2, 0, 0}.stored());
    const auto moved = host.evaluateFrame(instance, 0);
    for (std::size_t i = 0; i < points.size(); ++i) EXPECT_TRUE(near(moved[i], base(points, i), tolerance)) << i;
    host.destroy(instance);
}

TEST(LeafBounds, ObjectWithoutMeshNeverMoves) {
    hostsim::Scene scene = leafAndTarget(squareLeaf(), {0, 0, 10});
    scene.items.push_back(marker("Empty", {}));
    hostsim::Host host(VISTREL_MODULE_FILE, scene);
    void *meshless = host.create(2);
    host.load(meshless, Settings{4, 2, 0, 1, 1}.stored());
    void *other = host.create(0);
    for (int frame = 0; frame < 2; ++frame) {
        host.newTime(meshless, frame);
        // Even handed the points of a mesh, an instance made without one has no leaves.
        for (std::size_t i = 0; i < 4; ++i) {
            PointAccess access = host.pointAccess(other, i);
            host.evaluate(meshless, access);
            EXPECT_EQ((Position{access.position[0], access.position[1], access.position[2]}), base(squareLeaf(), i));
        }
    }
    host.destroy(other);
    host.destroy(meshless);
}

TEST(Target, NoTargetAsksNothingAndMovesNothing) {
    const Points points = squareRow(8);
    hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(points, {0, 0, 10}));
    void *instance = host.create(0);
    host.scene().resetCounters();
    EXPECT_EQ(host.evaluateFrame(instance, 0), bases(points));
    EXPECT_EQ(host.scene().counters().itemParam, 0u);
    host.destroy(instance);
}

TEST(Target, IsResolvedByTheFirstEvaluationAfterALoad) {
    hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(squareLeaf(), {0, 0, 10}));
    void *instance = host.create(0);
    host.load(instance, Settings{4, 2, 0, 1, 0}.stored());
    EXPECT_TRUE(host.useItems(instance).empty());
    host.newTime(instance, 0);
    host.evaluatePoint(instance, 0);
    EXPECT_EQ(host.useItems(instance), std::vector<ItemId>{host.scene().itemId(1)});
    host.destroy(instance);
}

TEST(Target, InsertingAnItemAheadRenamesTheDescriptionButNotTheFollowedTarget) {
    hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(squareLeaf(), {0, 0, 10}));
    void *instance = host.create(0);
    host.load(instance, Settings{4, 2, 0, 1, 0}.stored());
    const auto before = host.evaluateFrame(instance, 0);
    ASSERT_EQ(host.describe(instance), "Vistrelobject: Target");

    host.scene().insertItem(1, marker("Intruder", {0, 0, -10}));
    EXPECT_EQ(host.describe(instance), "Vistrelobject: Intruder");
    EXPECT_EQ(host.evaluateFrame(instance, 1), before);
    host.destroy(instance);
}

TEST(Target, NewTimeTwiceKeepsTheLaterTimeAndScansOnce) {
    hostsim::Scene scene = leafAndTarget(squareLeaf(), {});
    // Behind the leaf at time 0, in front of it at time 1.
    scene.items[1].motion.keys = {{0.0, {0, 0, 10}}, {1.0, {0, 0, -10}}};
    hostsim::Host host(VISTREL_MODULE_FILE, scene);
    void *instance = host.create(0);
    host.load(instance, Settings{4, 2, 0, 1, 0}.stored());
    host.newTime(instance, 0, 0.0);
    host.newTime(instance, 24, 1.0);
    host.scene().resetCounters();
    const auto moved = host.evaluatePass(instance);
    EXPECT_EQ(host.scene().counters().meshScanPoints, 1u);
    for (std::size_t i = 0; i < 4; ++i) EXPECT_TRUE(near(moved[i], base(squareLeaf(), i), tolerance)) << i;
    host.destroy(instance);
}

TEST(Lifecycle, DescribeNamesTheTargetPositionOrNone) {
    hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(squareLeaf(), {}));
    void *instance = host.create(0);
    EXPECT_EQ(host.describe(instance), "Vistrelobject: (none)");
    EXPECT_EQ(host.describe(instance), "Vistrelobject: (none)");
    host.load(instance, Settings{4, 1, 0, 1, 0}.stored());
    EXPECT_EQ(host.describe(instance), "Vistrelobject: Leaf");
    // Past the end names the last item; below zero the first.
    host.load(instance, Settings{4, 9, 0, 1, 0}.stored());
    EXPECT_EQ(host.describe(instance), "Vistrelobject: Target");
    host.load(instance, Settings{4, -1, 0, 1, 0}.stored());
    EXPECT_EQ(host.describe(instance), "Vistrelobject: Leaf");
    host.destroy(instance);
}

TEST(Lifecycle, UseItemsListsTheResolvedTargetThenNone) {
    hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(squareLeaf(), {0, 0, 10}));
    void *instance = host.create(0);
    const ItemId *list = host.handler().itemOps.useItems(instance);
    EXPECT_EQ(list[0], nullptr);
    EXPECT_EQ(list[1], nullptr);
    host.load(instance, Settings{4, 2, 0, 1, 0}.stored());
    host.evaluateFrame(instance, 0);
    list = host.handler().itemOps.useItems(instance);
    EXPECT_EQ(list[0], host.scene().itemId(1));
    EXPECT_EQ(list[1], nullptr);
    host.destroy(instance);
}

TEST(Lifecycle, CopyChangesNoInstanceAndDestroyOfNoneDoesNothing) {
    hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(squareLeaf(), {0, 0, 10}));
    void *a = host.create(0);
    void *b = host.create(0);
    host.load(a, Settings{3, 2, 1, 0, 1}.stored());
    EXPECT_EQ(host.handler().instanceOps.copy(b, a), nullptr);
    EXPECT_EQ(host.save(b), Settings{}.stored());
    EXPECT_EQ(host.save(a), (Settings{3, 2, 1, 0, 1}.stored()));
    host.handler().instanceOps.destroy(nullptr);
    host.destroy(b);
    host.destroy(a);
}

TEST(Lifecycle, SeveralObjectsEachFollowTheirOwnSettings) {
    hostsim::Scene scene = leafAndTarget(squareLeaf(), {10, 0, 0});
    scene.items.push_back(object("Second", squareLeaf()));
    scene.displacements = {{0, "Vistrelle", Settings{4, 2, 0, 1, 1}.stored()},
                           {2, "Vistrelle", Settings{4, 2, 0, 1, 0}.stored()}};
    hostsim::Host host(VISTREL_MODULE_FILE, scene);
    const auto objects = host.runFrame(0);
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_TRUE(near(objects[0].positions[1], {0, r2 / 2, r2 / 2}, tolerance));
    EXPECT_TRUE(near(objects[1].positions[1], {0.5, 0.5, r2 / 2}, tolerance));
}

// A target straight below the leaf along its own -Y: the pitch turn alone must bring the face round to it.
TEST(PitchAlignment, TargetStraightBelowTheLeafIsFacedNotTurnedAwayFrom) {
    const Vec target{-5, -5, 0};  // -Y of the square leaf's frame runs along (-1, -1, 0) from the pivot
    const auto moved = squareFrame({target.x, target.y, target.z}, false, true);
    std::vector<Vec> leaf;
    for (const auto &p : moved) leaf.push_back(vec(p));
    const Measured m = measure(leaf, 0);
    EXPECT_GE(dot(-1.0 * unit(m.normal), unit(target - m.pivot)), 0.999999);
}

TEST(LeafSizeBelowTwo, NothingIsMeasuredAndNoPointMoves) {
    const Points points = squareRow(12);
    for (const std::int32_t size : {1, 0, -1, std::numeric_limits<std::int32_t>::min()}) {
        hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(points, {3, 2, 10}));
        void *instance = host.create(0);
        host.load(instance, Settings{size, 2, 0, 1, 1}.stored());
        host.scene().resetCounters();
        EXPECT_EQ(host.evaluateFrame(instance, 0), bases(points)) << size;
        EXPECT_EQ(host.scene().counters().meshPointPosition, 0u) << size;
        host.destroy(instance);
    }
}

TEST(NonFiniteInput, APointOfNaNLeavesItsWholeLeafUnchangedAndOtherLeavesTurn) {
    Points points = squareRow(8);
    points[2][1] = std::numeric_limits<float>::quiet_NaN();
    hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(points, {0, 0, 10}));
    void *instance = host.create(0);
    host.load(instance, Settings{4, 2, 0, 1, 1}.stored());
    const auto moved = host.evaluateFrame(instance, 0);
    for (std::size_t i = 0; i < 4; ++i) {
        if (i == 2) continue;
        EXPECT_EQ(moved[i], base(points, i)) << i;
    }
    EXPECT_TRUE(std::isnan(moved[2][1]));
    EXPECT_FALSE(near(moved[5], base(points, 5), 1e-6));
    host.destroy(instance);
}

TEST(NonFiniteInput, ATargetAtInfinityOrNaNMovesNothing) {
    for (const hostsim::Point3 target : {hostsim::Point3{inf, 0, 0}, hostsim::Point3{0, notANumber, 0}, hostsim::Point3{1e308, 1e308, 1e308}}) {
        const auto moved = squareFrame(target, true, true);
        for (std::size_t i = 0; i < 4; ++i) {
            for (const double c : moved[i]) EXPECT_TRUE(std::isfinite(c));
        }
        if (!std::isfinite(target.x) || !std::isfinite(target.y)) {
            EXPECT_EQ(moved, bases(squareLeaf()));
        }
    }
}

TEST(NonFiniteInput, CollinearLeafKeepsItsDegenerateButFiniteTurn) {
    const Points line = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}};
    hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(line, {0, 0, 10}));
    void *instance = host.create(0);
    host.load(instance, Settings{4, 2, 0, 1, 1}.stored());
    const auto moved = host.evaluateFrame(instance, 0);
    for (std::size_t i = 0; i < 4; ++i) {
        for (const double c : moved[i]) EXPECT_TRUE(std::isfinite(c));
        EXPECT_NEAR(length(vec(moved[i])), static_cast<double>(i), 1e-12) << "turned about the first point";
    }
    host.destroy(instance);
}

TEST(TargetNamingNoItem, PointsComeBackUnchangedWithoutAskingAndTheCursorsStillAdvance) {
    const Points points = squareRow(8);
    for (const std::int32_t index : {5, -3}) {
        hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(points, {0, 0, 10}));
        void *instance = host.create(0);
        host.load(instance, Settings{4, index, 0, 1, 1}.stored());
        host.scene().resetCounters();
        EXPECT_EQ(host.evaluateFrame(instance, 0), bases(points));
        EXPECT_EQ(host.scene().counters().itemParam, 0u);
        // The leaves were used up by that pass: a real target chosen now turns nothing until newTime.
        auto opened = host.openPanel(instance);
        opened.panel->set(0x8004, 2);
        EXPECT_EQ(host.evaluatePass(instance), bases(points));
        EXPECT_NE(host.evaluateFrame(instance, 1), bases(points));
        host.destroy(instance);
    }
}

TEST(MissingMeshHandle, APassWithoutAMeshIsHandedBackAndTheNextPassScans) {
    const Points points = squareRow(4);
    hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(points, {0, 0, 10}));
    void *instance = host.create(0);
    host.load(instance, Settings{4, 2, 0, 1, 0}.stored());
    host.newTime(instance, 0);
    for (std::size_t i = 0; i < points.size(); ++i) {
        PointAccess access = host.pointAccess(instance, i);
        access.mesh = nullptr;
        host.evaluate(instance, access);
        EXPECT_EQ((Position{access.position[0], access.position[1], access.position[2]}), base(points, i));
    }
    const auto moved = host.evaluateFrame(instance, 1);
    EXPECT_TRUE(near(moved[1], {0, 1, 0}, tolerance));
    host.destroy(instance);
}

TEST(ItemNames, AnEmptyListNamesNoneAndANullNameReadsEmpty) {
    hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(squareLeaf(), {}));
    void *instance = host.create(0);
    host.load(instance, Settings{4, 3, 0, 1, 0}.stored());
    host.scene().removeItem(1);
    host.scene().removeItem(0);
    EXPECT_EQ(host.describe(instance), "Vistrelobject: (none)");

    static ItemInfo nameless{};
    nameless.firstItem = [](std::int32_t, ItemId) { return reinterpret_cast<ItemId>(std::uintptr_t{5}); };
    nameless.nextItem = [](ItemId) -> ItemId { return nullptr; };
    nameless.itemName = [](ItemId) -> const char * { return nullptr; };
    host.services().add(SERVICE_ITEM_INFO, &nameless);
    hostsim::HandlerTables tables;
    ASSERT_EQ(host.activateHandler(tables), 0);
    EXPECT_STREQ(tables.instanceOps.describe(instance), "Vistrelobject: ");
    host.destroy(instance);
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
                const float ox = 10.0f * coord(rng), oy = 10.0f * coord(rng), oz = 10.0f * coord(rng);
                for (std::int32_t k = 0; k < size; ++k) points.push_back({ox + coord(rng), oy + coord(rng), oz + coord(rng)});
            }
            scene.items.push_back(object("Leaves", points));
            hostsim::Item target = marker("Target", {});
            target.motion.keys.clear();
            for (int f = 0; f < frames; ++f) target.motion.keys.push_back({double(f), {far(rng), far(rng), far(rng)}});
            scene.items.push_back(target);
            scene.frames.framesPerSecond = 1.0;
            hostsim::Host host(VISTREL_MODULE_FILE, scene);
            void *instance = host.create(0);
            host.load(instance, Settings{size, 2, rule, 1, 1}.stored());

            for (int f = 0; f < frames; ++f) {
                const auto moved = host.evaluateFrame(instance, f);
                const Vec t = vec({target.motion.keys[f].position.x, target.motion.keys[f].position.y,
                                   target.motion.keys[f].position.z});
                for (int leaf = 0; leaf < leaves; ++leaf) {
                    std::vector<Vec> before, after;
                    for (std::int32_t k = 0; k < size; ++k) {
                        before.push_back(vec(base(points, leaf * size + k)));
                        after.push_back(vec(moved[leaf * size + k]));
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
                    EXPECT_LT(length(now.pivot - was.pivot), 1e-9 * std::max(1.0, length(was.pivot)));
                    EXPECT_GE(dot(-1.0 * unit(now.normal), unit(t - now.pivot)), 0.999999)
                        << "size " << size << " rule " << rule << " frame " << f << " leaf " << leaf;
                }
            }
            host.destroy(instance);
        }
    }
}
