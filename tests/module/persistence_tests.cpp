// The five settings in the scene: what save writes, what load reads back and what follows from it.
#include <gtest/gtest.h>

#include <limits>

#include "hostsim/host.h"
#include "tests/module/scenes.h"

using namespace moduletest;

namespace {

hostsim::Scene twelvePoints() { return leafAndTarget(squareRow(12), {3, -4, 10}); }

// Loads `settings` into `instance` after the first half of a pass at `frame`; the rest of that pass
// must come back unturned.
void loadMidPass(hostsim::Host &host, void *instance, const Points &points, std::int32_t frame,
                 const Settings &settings) {
    host.newTime(instance, frame);
    for (std::size_t i = 0; i < points.size() / 2; ++i) host.evaluatePoint(instance, i);
    host.load(instance, settings.stored());
    for (std::size_t i = points.size() / 2; i < points.size(); ++i)
        EXPECT_EQ(host.evaluatePoint(instance, i), base(points, i)) << i;
}

}  // namespace

TEST(Save, ADefaultInstanceWritesFourZeroZeroOneZeroOneValueACall) {
    hostsim::Host host(VISTREL_MODULE_FILE, twelvePoints());
    const ScopedInstance instance(host);
    hostsim::IntSink sink;
    EXPECT_EQ(host.save(instance, sink), nullptr);
    EXPECT_EQ(sink.values(), (std::vector<std::int32_t>{4, 0, 0, 1, 0}));
    EXPECT_EQ(sink.requests(), (std::vector<std::int32_t>(5, 1)));
}

TEST(Load, ReadsFiveValuesOneACallInStoredOrder) {
    hostsim::Host host(VISTREL_MODULE_FILE, twelvePoints());
    const ScopedInstance instance(host);
    hostsim::IntSource source({3, 2, 1, 0, 1, 99});
    EXPECT_EQ(host.load(instance, source), nullptr);
    EXPECT_EQ(source.requests(), (std::vector<std::int32_t>(5, 1)));
    EXPECT_EQ(source.delivered(), 5u);
    EXPECT_EQ(host.save(instance), (std::vector<std::int32_t>{3, 2, 1, 0, 1}));
}

TEST(Load, ASavedInstanceLoadsIntoAFreshOneThatBehavesTheSame) {
    hostsim::Host host(VISTREL_MODULE_FILE, twelvePoints());
    const ScopedInstance original(host);
    host.load(original, Settings{4, 2, 3, 1, 1}.stored());
    const auto stored = host.save(original);
    const ScopedInstance copy(host);
    host.load(copy, stored);
    EXPECT_EQ(host.save(copy), stored);
    EXPECT_EQ(host.describe(copy), host.describe(original));
    EXPECT_EQ(host.evaluateFrame(copy, 3), host.evaluateFrame(original, 3));
}

TEST(Load, ValuesAreTakenAsTheyComeWithoutRangeChecks) {
    hostsim::Host host(VISTREL_MODULE_FILE, twelvePoints());
    const ScopedInstance instance(host);
    const std::vector<std::int32_t> odd = {std::numeric_limits<std::int32_t>::max(), -5, 7, 2, -1};
    host.load(instance, odd);
    EXPECT_EQ(host.save(instance), odd);
}

TEST(Load, APivotTypeOfSevenPivotsOnTheFirstPoint) {
    hostsim::Host host(VISTREL_MODULE_FILE, twelvePoints());
    const ScopedInstance seven(host);
    const ScopedInstance zero(host);
    host.load(seven, Settings{4, 2, 7, 1, 1}.stored());
    host.load(zero, Settings{4, 2, 0, 1, 1}.stored());
    EXPECT_EQ(host.save(seven)[2], 7);
    EXPECT_EQ(host.evaluateFrame(seven, 0), host.evaluateFrame(zero, 0));
}

TEST(Load, AHeadingSwitchOfTwoIsKeptAndDoesNotTurn) {
    const Points points = squareRow(12);
    hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(points, {3, -4, 10}));
    const ScopedInstance instance(host);
    host.load(instance, Settings{4, 2, 0, 2, 0}.stored());
    EXPECT_EQ(host.save(instance)[3], 2);
    const auto moved = host.evaluateFrame(instance, 0);
    for (std::size_t i = 0; i < points.size(); ++i)
        EXPECT_TRUE(near(moved[i], base(points, i), tolerance)) << i;
}

TEST(Load, TheTargetIsResolvedByTheFirstEvaluationFromTheLoadedIndex) {
    hostsim::Host host(VISTREL_MODULE_FILE, twelvePoints());
    const ScopedInstance instance(host);
    host.load(instance, Settings{4, 2, 0, 1, 0}.stored());
    EXPECT_TRUE(host.useItems(instance).empty());
    host.evaluateFrame(instance, 0);
    EXPECT_EQ(host.useItems(instance), std::vector<ItemId>{host.scene().itemId(1)});
}

TEST(Load, ALoadedLeafSizeTurnsEveryLeafOfThatSize) {
    const Points points = squareRow(12);
    hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(points, {3, -4, 10}));
    const ScopedInstance instance(host);
    host.load(instance, Settings{2, 2, 0, 1, 1}.stored());
    const auto moved = host.evaluateFrame(instance, 0);
    // Six leaves of two points: the second point of each turns about the first.
    for (std::size_t i = 0; i < points.size(); ++i) {
        EXPECT_EQ(near(moved[i], base(points, i), 1e-9), i % 2 == 0) << i;
    }
}

TEST(Load, AShortDataBlockKeepsTheSettingsItDoesNotDeliver) {
    hostsim::Host host(VISTREL_MODULE_FILE, twelvePoints());
    const ScopedInstance instance(host);
    host.load(instance, {3, 2, 1});
    EXPECT_EQ(host.save(instance), (std::vector<std::int32_t>{3, 2, 1, 1, 0}));
    host.load(instance, {});
    EXPECT_EQ(host.save(instance), (std::vector<std::int32_t>{3, 2, 1, 1, 0}));
}

TEST(Load, NoRecordReadsAndWritesNothing) {
    hostsim::Host host(VISTREL_MODULE_FILE, twelvePoints());
    const ScopedInstance instance(host);
    EXPECT_EQ(host.handler().instanceOps.load(instance, nullptr), nullptr);
    EXPECT_EQ(host.handler().instanceOps.save(instance, nullptr), nullptr);
    EXPECT_EQ(host.save(instance), Settings{}.stored());
}

TEST(Load, LoadingInTheMiddleOfAPassTurnsNothingMoreUntilTheNextFrame) {
    const Points points = squareRow(12);
    hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(points, {3, -4, 10}));
    const ScopedInstance instance(host);
    host.load(instance, Settings{4, 2, 0, 1, 1}.stored());
    loadMidPass(host, instance, points, 0, Settings{2, 2, 0, 1, 1});
    const auto moved = host.evaluateFrame(instance, 1);
    for (std::size_t i = 0; i < points.size(); ++i)
        EXPECT_EQ(near(moved[i], base(points, i), 1e-9), i % 2 == 0) << i;
}

TEST(Load, ReloadingTheSameLeafSizeMidPassForgetsTheLeavesAsAnyLoadDoes) {
    const Points points = squareRow(12);
    hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(points, {3, -4, 10}));
    const ScopedInstance reloaded(host);
    host.load(reloaded, Settings{4, 2, 0, 1, 1}.stored());
    host.evaluateFrame(reloaded, 0);
    loadMidPass(host, reloaded, points, 1, Settings{4, 2, 0, 1, 1});
    const ScopedInstance fresh(host);
    host.load(fresh, Settings{4, 2, 0, 1, 1}.stored());
    const std::vector<hostsim::Position> expected = host.evaluateFrame(fresh, 2);
    EXPECT_EQ(host.evaluateFrame(reloaded, 2), expected);
}
