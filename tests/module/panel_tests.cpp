// The options panel as the stand-in host builds, reads and edits it.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "host/service_names.h"
#include "hostsim/host.h"
#include "tests/module/scenes.h"

using namespace moduletest;

namespace {

constexpr std::uint32_t leafPointsId = 0x8002, leavesId = 0x8003, targetId = 0x8004,
                        pivotId = 0x8005, headingId = 0x8006, pitchId = 0x8007;

// A host with the object "Leaf" (item 1) of `points` and "Target" (item 2) behind it, one instance
// created on the object and its panel open.
struct PanelHost {
    explicit PanelHost(Points points, hostsim::Point3 target = {3, -4, 10})
        : host(VISTREL_MODULE_FILE, leafAndTarget(std::move(points), target)),
          instance(host),
          opening(host.openPanel(instance)),
          panel(*opening.panel) {}

    hostsim::Host host;
    ScopedInstance instance;
    hostsim::PanelOpening opening;
    hostsim::HostPanel &panel;
};

// How many runs of `size` points a frame turns: runs in which any point moves.
std::size_t turnedLeaves(hostsim::Host &host, void *instance, const Points &points,
                         std::size_t size, std::int32_t frame) {
    const auto moved = host.evaluateFrame(instance, frame);
    std::size_t count = 0;
    for (std::size_t first = 0; first + size <= points.size(); first += size) {
        bool turned = false;
        for (std::size_t i = first; i < first + size; ++i)
            turned = turned || moved[i] != base(points, i);
        count += turned ? 1 : 0;
    }
    return count;
}

}  // namespace

TEST(PanelTables, ControlsInIdOrderWithTheirLabelsAndClasses) {
    PanelHost p(squareLeaf());
    ASSERT_EQ(p.opening.code, 0);
    EXPECT_FALSE(p.panel.error.has_value());
    EXPECT_EQ(p.panel.kind, 1);
    const std::vector<std::tuple<std::uint32_t, std::string, std::string>> expected = {
        {leafPointsId, "Object points", "integer"}, {leavesId, "Clones", "float"},
        {targetId, "Target object", "iPopChoice"},  {pivotId, "Pivot Type", "iPopChoice"},
        {headingId, "H Align", "iBoolean"},         {pitchId, "P Align", "iBoolean"}};
    ASSERT_EQ(p.panel.controls.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(p.panel.controls[i].id, std::get<0>(expected[i]));
        EXPECT_EQ(p.panel.controls[i].label, std::get<1>(expected[i]));
        EXPECT_EQ(p.panel.controls[i].controlClass, std::get<2>(expected[i]));
    }
}

TEST(PanelTables, DataDescriptionInIdOrderAndThePivotChoices) {
    PanelHost p(squareLeaf());
    const std::vector<std::tuple<std::uint32_t, std::string, std::string>> expected = {
        {leafPointsId, "Leaf points", "integer"}, {leavesId, "Leaves", "float"},
        {targetId, "Target object", "integer"},   {pivotId, "Pivot Type", "integer"},
        {headingId, "H Align", "integer"},        {pitchId, "P Align", "integer"}};
    ASSERT_EQ(p.panel.data.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(p.panel.data[i].id, std::get<0>(expected[i]));
        EXPECT_EQ(p.panel.data[i].name, std::get<1>(expected[i]));
        EXPECT_EQ(p.panel.data[i].dataType, std::get<2>(expected[i]));
    }
    EXPECT_EQ(p.panel.stringList(pivotId),
              (std::vector<std::string>{"first point", "average of first two points",
                                        "average of first and last point", "last point"}));
}

TEST(PanelTables, NineteenHintWords) {
    PanelHost p(squareLeaf());
    const auto &w = p.panel.hints.words;
    ASSERT_EQ(w.size(), 19u);
    EXPECT_EQ(w[0], 0x3d000b03u);
    EXPECT_EQ(w[1], 0u);
    EXPECT_EQ(p.panel.hints.title, "Tav's Vistrelle");
    EXPECT_EQ(w[3], 0u);
    EXPECT_EQ(w[4], 0x3d000f01u);
    EXPECT_NE(w[5], 0u);
    EXPECT_EQ(w[6], 0x3d016203u);
    EXPECT_EQ(w[7], targetId);
    EXPECT_NE(w[8], 0u);
    EXPECT_NE(w[9], 0u);
    EXPECT_EQ(w[10], 0x3d006781u);
    EXPECT_EQ(w[11], leafPointsId);
    EXPECT_EQ(w[12], leavesId);
    EXPECT_EQ(w[13], 0u);
    EXPECT_EQ(w[14], 0x3d014503u);
    EXPECT_EQ(w[15], pivotId);
    EXPECT_NE(w[16], 0u);
    EXPECT_EQ(w[17], 0u);
    EXPECT_EQ(w[18], 0u);
    EXPECT_TRUE(p.panel.hints.skippedTags.empty());
    EXPECT_EQ(p.panel.derivedFrom(leafPointsId), std::vector<std::uint32_t>{leavesId});
}

TEST(PanelTables, ThePanelIsBoundToItsInstanceAfterHintsAndDescription) {
    PanelHost p(squareLeaf());
    EXPECT_EQ(p.panel.viewInstance, p.instance);
    EXPECT_EQ(p.panel.userData.at(0), p.instance);
    EXPECT_EQ(p.panel.calls, (std::vector<std::string>{"panelCreate", "panelHint", "panelDescribe",
                                                       "panelViewInstance", "panelSetData"}));
}

TEST(GetAndSet, EveryControlReadsAndWritesItsSetting) {
    PanelHost p(squareRow(8));
    EXPECT_EQ(p.panel.get(leafPointsId), 4.0);
    EXPECT_EQ(p.panel.get(targetId), 0.0);
    EXPECT_EQ(p.panel.get(pivotId), 0.0);
    EXPECT_EQ(p.panel.get(headingId), 1.0);
    EXPECT_EQ(p.panel.get(pitchId), 0.0);
    for (const auto &[id, value] : std::vector<std::pair<std::uint32_t, double>>{
             {leafPointsId, 2}, {targetId, 2}, {pivotId, 3}, {headingId, 0}, {pitchId, 1}}) {
        EXPECT_EQ(p.panel.set(id, value), 3);
        EXPECT_EQ(p.panel.get(id), value);
    }
    EXPECT_EQ(p.host.save(p.instance), (std::vector<std::int32_t>{2, 2, 3, 0, 1}));
}

TEST(GetAndSet, LeavesReadShowsTheRealQuotientAndItsSetChangesNothing) {
    PanelHost p(squareRow(10));
    EXPECT_EQ(p.panel.get(leavesId), 2.5);
    EXPECT_EQ(p.panel.set(leavesId, 7.0), 3);
    EXPECT_EQ(p.panel.get(leavesId), 2.5);
    EXPECT_EQ(p.host.save(p.instance), Settings{}.stored());
}

TEST(GetAndSet, UnknownIdsAndNoInstanceAnswerNoneAndThree) {
    PanelHost p(squareLeaf());
    std::int32_t value = 9;
    for (const std::uint32_t id : {0u, 0x8001u, 0x8008u, 0xffffffffu}) {
        EXPECT_EQ(p.panel.getFn(p.instance, id), nullptr) << id;
        EXPECT_EQ(p.panel.setFn(p.instance, id, &value), 3) << id;
    }
    for (const std::uint32_t id : {leafPointsId, leavesId, targetId, pivotId, headingId, pitchId}) {
        EXPECT_EQ(p.panel.getFn(nullptr, id), nullptr) << id;
        EXPECT_EQ(p.panel.setFn(nullptr, id, &value), 3) << id;
    }
    EXPECT_EQ(p.host.save(p.instance), Settings{}.stored());
}

TEST(GetAndSet, NullValueAddressStoresNothingAndStillAnswersThree) {
    PanelHost p(squareLeaf());
    for (const std::uint32_t id : {leafPointsId, targetId, pivotId, headingId, pitchId}) {
        EXPECT_EQ(p.panel.setFn(p.instance, id, nullptr), 3) << id;
    }
    EXPECT_EQ(p.host.save(p.instance), Settings{}.stored());
}

TEST(LeafSizeChange, TheHostsEditRemakesTheArraysAndAsksForOneUpdate) {
    const Points points = squareRow(12);
    PanelHost p(points);
    p.panel.set(targetId, 2);
    ASSERT_EQ(turnedLeaves(p.host, p.instance, points, 4, 0), 3u);

    const hostsim::EditOutcome outcome = p.host.edit(p.panel, leafPointsId, 3);
    EXPECT_EQ(outcome.setAnswer, 3);
    ASSERT_EQ(outcome.derived.size(), 1u);
    EXPECT_EQ(outcome.derived[0].second, 4.0);
    EXPECT_EQ(outcome.updates, 1u);
    ASSERT_EQ(p.host.updates().size(), 1u);
    EXPECT_EQ(p.host.updates()[0].className, "DisplacementHandler");
    EXPECT_EQ(p.host.updates()[0].instance, p.instance);
    EXPECT_EQ(turnedLeaves(p.host, p.instance, points, 3, 1), 4u);
}

TEST(LeafSizeChange, TakesEffectEvenWhenTheHostNotifiesWithoutReadingLeaves) {
    const Points points = squareRow(12);
    PanelHost p(points);
    p.panel.set(targetId, 2);
    p.panel.set(leafPointsId, 3);
    p.panel.notifyRaw(leafPointsId, 2);
    EXPECT_EQ(p.host.updates().size(), 1u);
    EXPECT_EQ(turnedLeaves(p.host, p.instance, points, 3, 1), 4u);
}

TEST(LeafSizeChange, OtherControlsAndOtherEventsChangeNothingAndCallNothing) {
    const Points points = squareRow(12);
    PanelHost p(points);
    p.panel.set(targetId, 2);
    p.panel.set(leafPointsId, 3);
    for (const auto &[id, event] :
         std::vector<std::pair<std::uint32_t, std::int32_t>>{{leavesId, 2},
                                                             {targetId, 2},
                                                             {pitchId, 2},
                                                             {leafPointsId, 1},
                                                             {leafPointsId, 3},
                                                             {leafPointsId, 0}}) {
        p.panel.notifyRaw(id, event);
    }
    EXPECT_TRUE(p.host.updates().empty());
    // The arrays still hold the three leaves of four points that creation made.
    EXPECT_EQ(turnedLeaves(p.host, p.instance, points, 3, 1), 3u);
}

TEST(LeafSizeChange, ASizeBelowTwoIsShownAsGivenAndMovesNothing) {
    const Points points = squareRow(12);
    for (const std::int32_t size : {1, 0, -4}) {
        PanelHost p(points);
        p.panel.set(targetId, 2);
        p.host.edit(p.panel, leafPointsId, size);
        EXPECT_EQ(p.panel.get(leafPointsId), size);
        EXPECT_TRUE(std::isfinite(*p.panel.get(leavesId))) << size;
        EXPECT_EQ(p.host.evaluateFrame(p.instance, 1), bases(points)) << size;
    }
}

TEST(TargetPopup, ListsNoneThenEveryItemAnewOnEachCall) {
    PanelHost p(squareLeaf());
    EXPECT_EQ(p.panel.popupEntries(targetId),
              (std::vector<std::string>{"(none)", "Leaf", "Target"}));
    p.host.scene().insertItem(2, marker("Bee", {}));
    EXPECT_EQ(p.panel.popupEntries(targetId),
              (std::vector<std::string>{"(none)", "Leaf", "Target", "Bee"}));
    p.host.scene().removeItem(2);
    p.host.scene().removeItem(1);
    p.host.scene().removeItem(0);
    EXPECT_EQ(p.panel.popupEntries(targetId), std::vector<std::string>{"(none)"});
}

TEST(TargetPopup, NamesAtTheEdgesOfTheList) {
    PanelHost p(squareLeaf());
    const hostsim::PopupCallbacks popup = p.panel.hints.popups.at(targetId);
    EXPECT_EQ(popup.count(p.instance), 3);
    EXPECT_STREQ(popup.name(p.instance, 0), "(none)");
    EXPECT_STREQ(popup.name(p.instance, 1), "Leaf");
    EXPECT_STREQ(popup.name(p.instance, 2), "Target");
    EXPECT_STREQ(popup.name(p.instance, 3), "Target");
    EXPECT_STREQ(popup.name(p.instance, -1), "Leaf");
}

TEST(TargetPopup, ChoosingAnEntryResolvesItsItemAndNoneSwitchesTurningOff) {
    const Points points = squareRow(8);
    PanelHost p(points);
    p.panel.set(targetId, 2);
    EXPECT_EQ(p.host.useItems(p.instance), std::vector<ItemId>{p.host.scene().itemId(1)});
    p.panel.set(targetId, 1);
    EXPECT_EQ(p.host.useItems(p.instance), std::vector<ItemId>{p.host.scene().itemId(0)});
    p.panel.set(targetId, 0);
    EXPECT_TRUE(p.host.useItems(p.instance).empty());
    EXPECT_EQ(p.host.evaluateFrame(p.instance, 0), bases(points));
    p.panel.set(targetId, 7);
    EXPECT_EQ(p.panel.get(targetId), 7.0);
    EXPECT_TRUE(p.host.useItems(p.instance).empty());
}

TEST(PanelUnavailable, NoPanelServiceOrAFailedCreateAnswersTwoWithNoPanel) {
    {
        hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(squareLeaf(), {}));
        const ScopedInstance instance(host);
        host.services().remove(SERVICE_XPANEL);
        const hostsim::PanelOpening opening = host.openPanel(instance);
        EXPECT_EQ(opening.code, 2);
        EXPECT_EQ(opening.binding.panel, nullptr);
        EXPECT_EQ(opening.binding.optionsEntry, hostsim::interfaceSentinel(3));
    }
    {
        hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(squareLeaf(), {}));
        const ScopedInstance instance(host);
        host.panels().failCreate = true;
        const hostsim::PanelOpening opening = host.openPanel(instance);
        EXPECT_EQ(opening.code, 2);
        EXPECT_EQ(opening.binding.panel, nullptr);
    }
}
