// The Host as a driver of the built module: what it sets up from a scene, the tables it hands
// over, the frame driver's records, and the way a panel edit travels. The module's own results
// are tested elsewhere; here only what the host does is checked.
#include "hostsim/host.h"
#include "hostsim/host_error.h"

#include "host/service_names.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using hostsim::Host;
using hostsim::HostError;

// Two leaves of four points, and two spare points.
hostsim::Mesh tenPoints() {
    hostsim::Mesh mesh;
    for (int i = 0; i < 10; ++i)
        mesh.points.push_back({static_cast<float>(i % 2), static_cast<float>(i / 2), 0.0f});
    return mesh;
}

hostsim::Scene twoObjects() {
    hostsim::Scene scene;
    scene.items.push_back({"Bush", hostsim::Motion::fixed({}), tenPoints()});
    scene.items.push_back({"Sun", hostsim::Motion::fixed({0, 0, 10}), std::nullopt});
    scene.items.push_back({"Hedge", hostsim::Motion::fixed({}), tenPoints()});
    scene.frames = {1, 5, 25.0};
    scene.displacements.push_back({0, "Vistrelle", std::vector<std::int32_t>{4, 2, 0, 1, 1}});
    scene.displacements.push_back({2, "Vistrelle", std::nullopt});
    return scene;
}

TEST(HostSetup, MakesOneInstancePerDisplacement) {
    Host host(VISTREL_MODULE_FILE, twoObjects());
    ASSERT_EQ(host.displacementInstances().size(), 2u);
    EXPECT_EQ(host.objectOf(host.displacementInstances()[1]), host.scene().itemId(2));
    EXPECT_EQ(host.currentFrame(host.displacementInstances()[0]), 1);
}

TEST(HostSetup, LoadsTheDataBlockOfADisplacement) {
    Host host(VISTREL_MODULE_FILE, twoObjects());
    EXPECT_EQ(host.save(host.displacementInstances()[0]),
              (std::vector<std::int32_t>{4, 2, 0, 1, 1}));
}

TEST(HostSetup, UnknownServerNameIsAnError) {
    auto scene = twoObjects();
    scene.displacements[1].server = "Elsewhere";
    try {
        Host host(VISTREL_MODULE_FILE, scene);
        FAIL() << "set up";
    } catch (const HostError &error) {
        EXPECT_EQ(std::string(error.what()),
                  std::string(VISTREL_MODULE_FILE) +
                      ": class DisplacementHandler not served under name Elsewhere");
    }
}

TEST(HostSetup, OnlyOneHostAtATime) {
    Host first(VISTREL_MODULE_FILE);
    EXPECT_THROW(Host second(VISTREL_MODULE_FILE), HostError);
}

TEST(HostSetup, AHostMayFollowAnother) {
    { Host first(VISTREL_MODULE_FILE, twoObjects()); }
    Host second(VISTREL_MODULE_FILE, twoObjects());
    EXPECT_EQ(second.runFrame(2).size(), 2u);
}

TEST(HandlerActivation, LeavesTheHostSlotsAlone) {
    Host host(VISTREL_MODULE_FILE);
    const auto &tables = host.handler();
    EXPECT_TRUE(tables.hostSlotsIntact());
    EXPECT_FALSE(tables.untouched());
}

TEST(HandlerActivation, LookupsAreRecordedAndServicesCanBeTakenAway) {
    Host host(VISTREL_MODULE_FILE);
    host.services().clearLookups();
    host.services().remove(SERVICE_INSTANCE_UPDATE);
    hostsim::HandlerTables tables;
    EXPECT_EQ(host.activateHandler(tables), 2);
    EXPECT_TRUE(tables.untouched());
    EXPECT_EQ(host.services().lookedUpNames().size(), 3u);
    for (const auto &call : host.services().lookups()) EXPECT_EQ(call.use, 0);
}

TEST(HandlerActivation, WrongVersionLooksNothingUp) {
    Host host(VISTREL_MODULE_FILE);
    host.services().clearLookups();
    hostsim::HandlerTables tables;
    EXPECT_EQ(host.activateHandler(tables, 3), 1);
    EXPECT_TRUE(host.services().lookups().empty());
    EXPECT_TRUE(tables.untouched());
}

TEST(FrameDriver, KeepsTheBaseMeshApart) {
    Host host(VISTREL_MODULE_FILE, twoObjects());
    const auto before = host.scene().scene().items[0].mesh->points;
    const auto objects = host.runFrame(3);
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(objects[0].positions.size(), 10u);
    EXPECT_EQ(host.scene().scene().items[0].mesh->points, before);
    const auto &last = host.lastPositions(objects[0].instance);
    EXPECT_EQ(objects[0].positions.data(), last.data())
        << "a frame's positions are the instance's last, not a copy";
    EXPECT_EQ(objects[0].positions.size(), last.size());
    EXPECT_EQ(host.currentFrame(objects[0].instance), 3);
}

TEST(FrameDriver, AFramePlayedIntoGivenMemoryHasRunFramesPositionsAndLeavesTheLastOnes) {
    hostsim::Scene scene = twoObjects();
    scene.items[1].motion =
        hostsim::Motion{{{0.0, {0, 0, 10}}, {1.0, {10, 0, 0}}}};  // the Sun sets
    Host host(VISTREL_MODULE_FILE, scene);
    const auto atTwo = host.runFrame(2).at(0).positions;
    const std::vector<hostsim::Position> lastBefore(atTwo.begin(), atTwo.end());
    std::vector<hostsim::Position> memory(25, hostsim::Position{-1.0, -1.0, -1.0});
    const auto objects = host.runFrameInto(4, memory);
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(memory[20][0], -1.0) << "nothing written past the frame's points";
    EXPECT_TRUE(std::ranges::equal(host.lastPositions(objects[0].instance), lastBefore));
    EXPECT_EQ(host.currentFrame(objects[0].instance), 4);
    const auto expected = host.runFrame(4);
    for (std::size_t k = 0; k < 2; ++k) {
        EXPECT_EQ(objects[k].positions.data(), memory.data() + 10 * k)
            << "one object's positions after the other's";
        EXPECT_TRUE(std::ranges::equal(objects[k].positions, expected[k].positions)) << k;
    }
    EXPECT_FALSE(std::ranges::equal(objects[0].positions, lastBefore))
        << "frames 2 and 4 differ, or the test shows nothing";
}

TEST(FrameDriver, AFramePlayedIntoTooLittleMemoryIsRefused) {
    Host host(VISTREL_MODULE_FILE, twoObjects());
    std::vector<hostsim::Position> memory(19);
    try {
        host.runFrameInto(4, memory);
        FAIL() << "expected a HostError";
    } catch (const HostError &e) {
        EXPECT_NE(
            std::string(e.what()).find(
                "frame 4 has more points to evaluate than the 19 positions there is room for"),
            std::string::npos)
            << e.what();
    }
}

TEST(FrameDriver, PointAccessStartsAtTheBasePosition) {
    Host host(VISTREL_MODULE_FILE, twoObjects());
    void *instance = host.displacementInstances()[0];
    const PointAccess access = host.pointAccess(instance, 5);
    EXPECT_EQ(access.pointId, 5u);
    EXPECT_EQ(access.basePosition[1], 2.0);
    EXPECT_EQ(access.position[0], access.basePosition[0]);
    EXPECT_EQ(access.mesh, host.scene().meshOf(host.objectOf(instance)));
    EXPECT_THROW(host.pointAccess(instance, 10), HostError);
}

TEST(FrameDriver, ObjectWithoutMeshHasNoPoints) {
    Host host(VISTREL_MODULE_FILE, twoObjects());
    void *instance = host.create(1);
    EXPECT_TRUE(host.evaluateFrame(instance, 1).empty());
}

TEST(FrameDriver, DestroyedInstanceIsLeftOutOfTheFrame) {
    Host host(VISTREL_MODULE_FILE, twoObjects());
    void *gone = host.displacementInstances()[0];
    host.destroy(gone);
    const auto objects = host.runFrame(1);
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0].displacement, 1u);
    EXPECT_THROW(host.describe(gone), HostError);
}

TEST(InterfaceActivation, BuildsAPanelWithNineteenHintWords) {
    Host host(VISTREL_MODULE_FILE, twoObjects());
    void *instance = host.displacementInstances()[0];
    const auto opened = host.openPanel(instance);
    ASSERT_EQ(opened.code, 0);
    ASSERT_NE(opened.panel, nullptr);
    EXPECT_EQ(opened.panel->hints.words.size(), 19u);
    EXPECT_EQ(opened.panel->viewInstance, instance);
    EXPECT_EQ(opened.binding.optionsEntry, nullptr);
}

TEST(InterfaceActivation, FailedPanelCreationAnswersWithoutAPanel) {
    Host host(VISTREL_MODULE_FILE, twoObjects());
    host.panels().failCreate = true;
    const auto opened = host.openPanel(host.displacementInstances()[0]);
    EXPECT_EQ(opened.code, 2);
    EXPECT_EQ(opened.panel, nullptr);
    EXPECT_EQ(opened.binding.optionsEntry, hostsim::interfaceSentinel(3));
}

TEST(PanelEdit, SetsReadsDerivedNotifiesAndEvaluatesAnew) {
    Host host(VISTREL_MODULE_FILE, twoObjects());
    void *instance = host.displacementInstances()[0];
    host.evaluateFrame(instance, 4);
    auto &panel = *host.openPanel(instance).panel;
    host.scene().resetCounters();
    const auto outcome = host.edit(panel, 0x8002, 2);
    EXPECT_EQ(outcome.setAnswer, 3);
    ASSERT_EQ(outcome.derived.size(), 1u);
    EXPECT_EQ(outcome.derived[0].first, 0x8003u);
    EXPECT_EQ(outcome.updates, 1u);
    ASSERT_EQ(host.updates().size(), 1u);
    EXPECT_EQ(host.updates()[0].className, CLASS_DISPLACEMENT_HANDLER);
    EXPECT_EQ(host.updates()[0].instance, instance);
    // The re-evaluation ran a full pass at the instance's frame.
    EXPECT_EQ(host.scene().counters().meshScanPoints, 1u);
    EXPECT_EQ(host.currentFrame(instance), 4);
    EXPECT_EQ(host.lastPositions(instance).size(), 10u);
}

TEST(PanelEdit, NotificationOfAnotherControlAsksForNoUpdate) {
    Host host(VISTREL_MODULE_FILE, twoObjects());
    auto &panel = *host.openPanel(host.displacementInstances()[0]).panel;
    EXPECT_EQ(host.edit(panel, 0x8006, 0).updates, 0u);
    EXPECT_TRUE(host.updates().empty());
}

}  // namespace
