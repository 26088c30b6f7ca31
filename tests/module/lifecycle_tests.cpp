// Targets and the instance lifecycle through the stand-in host, and input a host may hand over:
// leaves too small to measure, non-finite points and targets, targets naming no item, a missing
// mesh and empty item lists.
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

const double notANumber = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

}  // namespace

TEST(Target, NoTargetAsksNothingAndMovesNothing) {
    const Points points = squareRow(8);
    hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(points, {0, 0, 10}));
    const ScopedInstance instance(host);
    host.scene().resetCounters();
    EXPECT_EQ(host.evaluateFrame(instance, 0), bases(points));
    EXPECT_EQ(host.scene().counters().itemParam, 0u);
}

TEST(Target, IsResolvedByTheFirstEvaluationAfterALoad) {
    hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(squareLeaf(), {0, 0, 10}));
    const ScopedInstance instance(host);
    host.load(instance, Settings{4, 2, 0, 1, 0}.stored());
    EXPECT_TRUE(host.useItems(instance).empty());
    host.newTime(instance, 0);
    host.evaluatePoint(instance, 0);
    EXPECT_EQ(host.useItems(instance), std::vector<ItemId>{host.scene().itemId(1)});
}

TEST(Target, InsertingAnItemAheadRenamesTheDescriptionButNotTheFollowedTarget) {
    hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(squareLeaf(), {0, 0, 10}));
    const ScopedInstance instance(host);
    host.load(instance, Settings{4, 2, 0, 1, 0}.stored());
    const auto before = host.evaluateFrame(instance, 0);
    ASSERT_EQ(host.describe(instance), "Vistrelobject: Target");

    host.scene().insertItem(1, marker("Intruder", {0, 0, -10}));
    EXPECT_EQ(host.describe(instance), "Vistrelobject: Intruder");
    EXPECT_EQ(host.evaluateFrame(instance, 1), before);
}

TEST(Target, NewTimeTwiceKeepsTheLaterTimeAndScansOnce) {
    hostsim::Scene scene = leafAndTarget(squareLeaf(), {});
    // Behind the leaf at time 0, in front of it at time 1.
    scene.items[1].motion.keys = {{0.0, {0, 0, 10}}, {1.0, {0, 0, -10}}};
    hostsim::Host host(VISTREL_MODULE_FILE, scene);
    const ScopedInstance instance(host);
    host.load(instance, Settings{4, 2, 0, 1, 0}.stored());
    host.newTime(instance, 0, 0.0);
    host.newTime(instance, 24, 1.0);
    host.scene().resetCounters();
    const auto moved = host.evaluatePass(instance);
    EXPECT_EQ(host.scene().counters().meshScanPoints, 1u);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_TRUE(near(moved[i], base(squareLeaf(), i), tolerance)) << i;
}

TEST(Lifecycle, DescribeNamesTheTargetPositionOrNone) {
    hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(squareLeaf(), {}));
    const ScopedInstance instance(host);
    EXPECT_EQ(host.describe(instance), "Vistrelobject: (none)");
    EXPECT_EQ(host.describe(instance), "Vistrelobject: (none)");
    host.load(instance, Settings{4, 1, 0, 1, 0}.stored());
    EXPECT_EQ(host.describe(instance), "Vistrelobject: Leaf");
    // Past the end names the last item; below zero the first.
    host.load(instance, Settings{4, 9, 0, 1, 0}.stored());
    EXPECT_EQ(host.describe(instance), "Vistrelobject: Target");
    host.load(instance, Settings{4, -1, 0, 1, 0}.stored());
    EXPECT_EQ(host.describe(instance), "Vistrelobject: Leaf");
}

TEST(Lifecycle, UseItemsListsTheResolvedTargetThenNone) {
    hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(squareLeaf(), {0, 0, 10}));
    const ScopedInstance instance(host);
    const ItemId *list = host.handler().itemOps.useItems(instance);
    EXPECT_EQ(list[0], nullptr);
    EXPECT_EQ(list[1], nullptr);
    host.load(instance, Settings{4, 2, 0, 1, 0}.stored());
    host.evaluateFrame(instance, 0);
    list = host.handler().itemOps.useItems(instance);
    EXPECT_EQ(list[0], host.scene().itemId(1));
    EXPECT_EQ(list[1], nullptr);
}

TEST(Lifecycle, CopyChangesNoInstanceAndDestroyOfNoneDoesNothing) {
    hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(squareLeaf(), {0, 0, 10}));
    const ScopedInstance a(host);
    const ScopedInstance b(host);
    host.load(a, Settings{3, 2, 1, 0, 1}.stored());
    EXPECT_EQ(host.handler().instanceOps.copy(b, a), nullptr);
    EXPECT_EQ(host.save(b), Settings{}.stored());
    EXPECT_EQ(host.save(a), (Settings{3, 2, 1, 0, 1}.stored()));
    host.handler().instanceOps.destroy(nullptr);
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

TEST(LeafSizeBelowTwo, NothingIsMeasuredAndNoPointMoves) {
    const Points points = squareRow(12);
    for (const std::int32_t size : {1, 0, -1, std::numeric_limits<std::int32_t>::min()}) {
        hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(points, {3, 2, 10}));
        const ScopedInstance instance(host);
        host.load(instance, Settings{size, 2, 0, 1, 1}.stored());
        host.scene().resetCounters();
        EXPECT_EQ(host.evaluateFrame(instance, 0), bases(points)) << size;
        EXPECT_EQ(host.scene().counters().meshPointPosition, 0u) << size;
    }
}

TEST(NonFiniteInput, APointOfNaNLeavesItsWholeLeafUnchangedAndOtherLeavesTurn) {
    Points points = squareRow(8);
    points[2][1] = std::numeric_limits<float>::quiet_NaN();
    hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(points, {0, 0, 10}));
    const ScopedInstance instance(host);
    host.load(instance, Settings{4, 2, 0, 1, 1}.stored());
    const auto moved = host.evaluateFrame(instance, 0);
    for (std::size_t i = 0; i < 4; ++i) {
        if (i == 2) continue;
        EXPECT_EQ(moved[i], base(points, i)) << i;
    }
    EXPECT_TRUE(std::isnan(moved[2][1]));
    EXPECT_FALSE(near(moved[5], base(points, 5), 1e-6));
}

TEST(NonFiniteInput, ATargetAtInfinityOrNaNMovesNothing) {
    for (const hostsim::Point3 target :
         {hostsim::Point3{inf, 0, 0}, hostsim::Point3{0, notANumber, 0},
          hostsim::Point3{1e308, 1e308, 1e308}}) {
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
    const ScopedInstance instance(host);
    host.load(instance, Settings{4, 2, 0, 1, 1}.stored());
    const auto moved = host.evaluateFrame(instance, 0);
    for (std::size_t i = 0; i < 4; ++i) {
        for (const double c : moved[i]) EXPECT_TRUE(std::isfinite(c));
        EXPECT_NEAR(std::hypot(moved[i][0], moved[i][1], moved[i][2]), static_cast<double>(i),
                    1e-12)
            << "turned about the first point";
    }
}

TEST(TargetNamingNoItem, PointsComeBackUnchangedWithoutAskingAndTheCursorsStillAdvance) {
    const Points points = squareRow(8);
    for (const std::int32_t index : {5, -3}) {
        hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(points, {0, 0, 10}));
        const ScopedInstance instance(host);
        host.load(instance, Settings{4, index, 0, 1, 1}.stored());
        host.scene().resetCounters();
        EXPECT_EQ(host.evaluateFrame(instance, 0), bases(points));
        EXPECT_EQ(host.scene().counters().itemParam, 0u);
        // The leaves were used up by that pass: a real target chosen now turns nothing until
        // newTime.
        auto opened = host.openPanel(instance);
        opened.panel->set(0x8004, 2);
        EXPECT_EQ(host.evaluatePass(instance), bases(points));
        EXPECT_NE(host.evaluateFrame(instance, 1), bases(points));
    }
}

TEST(MissingMeshHandle, APassWithoutAMeshIsHandedBackAndTheNextPassScans) {
    const Points points = squareRow(4);
    hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(points, {0, 0, 10}));
    const ScopedInstance instance(host);
    host.load(instance, Settings{4, 2, 0, 1, 0}.stored());
    host.newTime(instance, 0);
    for (std::size_t i = 0; i < points.size(); ++i) {
        PointAccess access = host.pointAccess(instance, i);
        access.mesh = nullptr;
        host.evaluate(instance, access);
        EXPECT_EQ((Position{access.position[0], access.position[1], access.position[2]}),
                  base(points, i));
    }
    const auto moved = host.evaluateFrame(instance, 1);
    EXPECT_TRUE(near(moved[1], {0, 1, 0}, tolerance));
}

TEST(ItemNames, AnEmptyListNamesNoneAndANullNameReadsEmpty) {
    hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(squareLeaf(), {}));
    const ScopedInstance instance(host);
    host.load(instance, Settings{4, 3, 0, 1, 0}.stored());
    host.scene().removeItem(1);
    host.scene().removeItem(0);
    EXPECT_EQ(host.describe(instance), "Vistrelobject: (none)");

    static ItemInfo nameless{};
    nameless.firstItem = [](std::int32_t, ItemId) {
        return reinterpret_cast<ItemId>(std::uintptr_t{5});
    };
    nameless.nextItem = [](ItemId) -> ItemId { return nullptr; };
    nameless.itemName = [](ItemId) -> const char * { return nullptr; };
    host.services().add(SERVICE_ITEM_INFO, &nameless);
    hostsim::HandlerTables tables;
    ASSERT_EQ(host.activateHandler(tables), 0);
    EXPECT_STREQ(tables.instanceOps.describe(instance), "Vistrelobject: ");
}
