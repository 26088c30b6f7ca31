// The scene as the module sees it: item motion, the item list and its IDs, meshes and points,
// and the load and save records.
#include "hostsim/active_host.h"
#include "hostsim/int_streams.h"
#include "hostsim/scene_services.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using hostsim::Item;
using hostsim::Motion;
using hostsim::Point3;

// Interpolation is exact at these binary fractions; elsewhere one rounding step is allowed.
constexpr double tolerance = 1e-12;

Motion rising() { return Motion{{{1.0, {0, 0, 0}}, {3.0, {4, -2, 8}}, {4.0, {4, 0, 8}}}}; }

TEST(MotionBetweenKeys, IsLinear) {
    const Point3 p = rising().at(2.0);
    EXPECT_EQ(p, (Point3{2, -1, 4}));
    const Point3 q = rising().at(3.5);
    EXPECT_NEAR(q.y, -1.0, tolerance);
}

TEST(MotionOutsideKeys, HoldsTheNearestKey) {
    EXPECT_EQ(rising().at(-5.0), (Point3{0, 0, 0}));
    EXPECT_EQ(rising().at(1.0), (Point3{0, 0, 0}));
    EXPECT_EQ(rising().at(4.0), (Point3{4, 0, 8}));
    EXPECT_EQ(rising().at(100.0), (Point3{4, 0, 8}));
}

TEST(MotionAtAKey, IsThatKey) { EXPECT_EQ(rising().at(3.0), (Point3{4, -2, 8})); }

TEST(MotionFixed, IsTheSameAtEveryTime) {
    const Motion fixed = Motion::fixed({1, 2, 3});
    for (const double t : {-1.0, 0.0, 0.5, 1e6}) EXPECT_EQ(fixed.at(t), (Point3{1, 2, 3}));
    EXPECT_EQ(Motion{}.at(2.0), (Point3{}));
}

hostsim::Scene threeItems() {
    hostsim::Scene scene;
    hostsim::Mesh mesh;
    mesh.points = {{0, 0, 0}, {1, 0, 0}, {1.5f, 2, -3}};
    scene.items.push_back({"Leaves", Motion::fixed({0, 0, 0}), mesh});
    scene.items.push_back({"Sun", Motion::fixed({10, 20, 30}), std::nullopt});
    scene.items.push_back({"Cone", rising(), std::nullopt});
    return scene;
}

class SceneServicesTest : public ::testing::Test {
  protected:
    hostsim::SceneServices services{threeItems()};
    hostsim::ActiveHostScope scope{{nullptr, &services, nullptr, nullptr}};
    ItemInfo *items = services.itemInfo();
    ObjectInfo *objects = services.objectInfo();

    std::vector<std::string> walk() {
        std::vector<std::string> names;
        for (ItemId id = items->firstItem(0, nullptr); id != nullptr; id = items->nextItem(id))
            names.emplace_back(items->itemName(id));
        return names;
    }
};

TEST_F(SceneServicesTest, ItemListIsWalkedInOrder) {
    EXPECT_EQ(walk(), (std::vector<std::string>{"Leaves", "Sun", "Cone"}));
    EXPECT_EQ(services.counters().firstItem, 1u);
    EXPECT_EQ(services.counters().nextItem, 3u);
}

TEST_F(SceneServicesTest, OtherTypesAndParentsHaveNoItems) {
    EXPECT_EQ(items->firstItem(1, nullptr), nullptr);
    EXPECT_EQ(items->firstItem(0, services.itemId(0)), nullptr);
}

TEST_F(SceneServicesTest, ItemIdsAreNeverZeroAndSurviveInsertionsAhead) {
    const ItemId cone = services.itemId(2);
    EXPECT_NE(services.itemId(0), nullptr);
    const ItemId added = services.insertItem(0, Item{"Rock", Motion::fixed({}), std::nullopt});
    EXPECT_NE(added, nullptr);
    EXPECT_EQ(services.itemId(3), cone);
    EXPECT_EQ(walk(), (std::vector<std::string>{"Rock", "Leaves", "Sun", "Cone"}));
    services.removeItem(1);
    EXPECT_EQ(services.indexOf(cone), 2u);
    EXPECT_EQ(walk(), (std::vector<std::string>{"Rock", "Sun", "Cone"}));
}

TEST_F(SceneServicesTest, RemovedItemIsUnknownEverywhere) {
    const ItemId sun = services.itemId(1);
    services.removeItem(1);
    EXPECT_EQ(items->itemName(sun), nullptr);
    EXPECT_EQ(items->nextItem(sun), nullptr);
    EXPECT_EQ(services.indexOf(sun), std::nullopt);
}

TEST_F(SceneServicesTest, IdsNeverGivenAreUnknownWhateverTheirValue) {
    for (const std::uintptr_t wild :
         {std::uintptr_t{4}, std::uintptr_t{1000}, ~std::uintptr_t{0}}) {
        const auto id = reinterpret_cast<ItemId>(wild);
        EXPECT_EQ(items->nextItem(id), nullptr) << wild;
        EXPECT_EQ(items->itemName(id), nullptr) << wild;
        EXPECT_EQ(services.indexOf(id), std::nullopt) << wild;
    }
}

TEST_F(SceneServicesTest, PositionFollowsTheMotion) {
    double out[3] = {9, 9, 9};
    items->itemParam(services.itemId(2), ITEM_PARAM_POSITION, 2.0, out);
    EXPECT_EQ(out[0], 2.0);
    EXPECT_EQ(out[1], -1.0);
    EXPECT_EQ(out[2], 4.0);
    EXPECT_EQ(services.counters().itemParam, 1u);
}

TEST_F(SceneServicesTest, UnknownItemOrCodeGivesZeros) {
    double out[3] = {9, 9, 9};
    items->itemParam(nullptr, ITEM_PARAM_POSITION, 0.0, out);
    EXPECT_EQ(out[0] + out[1] + out[2], 0.0);
    out[0] = out[1] = out[2] = 9;
    items->itemParam(services.itemId(1), 3, 0.0, out);
    EXPECT_EQ(out[0] + out[1] + out[2], 0.0);
    items->itemParam(services.itemId(1), ITEM_PARAM_POSITION, 0.0, nullptr);
}

TEST_F(SceneServicesTest, OnlyObjectsWithAMeshHaveAHandle) {
    EXPECT_NE(objects->objectMesh(services.itemId(0), 0), nullptr);
    EXPECT_EQ(objects->objectMesh(services.itemId(0), 0), services.meshOf(services.itemId(0)));
    EXPECT_EQ(objects->objectMesh(services.itemId(1), 0), nullptr);
    EXPECT_EQ(objects->objectMesh(nullptr, 0), nullptr);
}

struct Scan {
    MeshHandle *mesh;
    std::vector<std::array<float, 3>> positions;
};

extern "C" std::int32_t collect(void *data, PointId point) {
    auto *scan = static_cast<Scan *>(data);
    float p[3];
    scan->mesh->meshPointPosition(scan->mesh, point, p);
    scan->positions.push_back({p[0], p[1], p[2]});
    return 0;
}

TEST_F(SceneServicesTest, ScanVisitsEveryPointInOrder) {
    MeshHandle *mesh = objects->objectMesh(services.itemId(0), 0);
    EXPECT_EQ(mesh->meshPointCount(mesh), 3);
    Scan scan{mesh, {}};
    mesh->meshScanPoints(mesh, &collect, &scan);
    EXPECT_EQ(scan.positions, services.scene().items[0].mesh->points);
    EXPECT_EQ(services.counters().meshScanPoints, 1u);
    EXPECT_EQ(services.counters().meshPointPosition, 3u);
}

TEST_F(SceneServicesTest, UnknownPointLeavesTheBufferAlone) {
    MeshHandle *mesh = objects->objectMesh(services.itemId(0), 0);
    float p[3] = {7, 7, 7};
    EXPECT_EQ(mesh->meshPointPosition(mesh, nullptr, p), 0);
    EXPECT_EQ(mesh->meshPointPosition(mesh, hostsim::SceneServices::pointId(3), p), 0);
    EXPECT_EQ(p[0], 7.0f);
}

TEST_F(SceneServicesTest, HandleOfARemovedObjectHasNoPoints) {
    MeshHandle *mesh = objects->objectMesh(services.itemId(0), 0);
    services.removeItem(0);
    EXPECT_EQ(mesh->meshPointCount(mesh), 0);
    Scan scan{mesh, {}};
    mesh->meshScanPoints(mesh, &collect, &scan);
    EXPECT_TRUE(scan.positions.empty());
}

TEST(LoadRecord, DeliversTheStoredValuesOneCallAtATime) {
    hostsim::IntSource source({4, 0, 7});
    const LoadRecord *record = source.record();
    std::int32_t value = -1;
    EXPECT_EQ(record->readInts32(record->stream, &value, 1), 1);
    EXPECT_EQ(value, 4);
    std::int32_t two[2] = {-1, -1};
    EXPECT_EQ(record->readInts32(record->stream, two, 2), 2);
    EXPECT_EQ(two[1], 7);
    EXPECT_EQ(source.delivered(), 3u);
    EXPECT_EQ(source.requests(), (std::vector<std::int32_t>{1, 2}));
}

TEST(LoadRecord, DeliversNothingPastTheEnd) {
    hostsim::IntSource source({5});
    const LoadRecord *record = source.record();
    std::int32_t pair[2] = {-1, -1};
    EXPECT_EQ(record->readInts32(record->stream, pair, 2), 1);
    EXPECT_EQ(pair[1], -1);
    EXPECT_EQ(record->readInts32(record->stream, pair, 1), 0);
    EXPECT_EQ(pair[0], 5);
}

TEST(SaveRecord, CollectsEveryWrite) {
    hostsim::IntSink sink;
    const SaveRecord *record = sink.record();
    const std::int32_t one = 4, three[3] = {1, -2, 3};
    record->writeInts32(record->stream, &one, 1);
    record->writeInts32(record->stream, three, 3);
    EXPECT_EQ(sink.values(), (std::vector<std::int32_t>{4, 1, -2, 3}));
    EXPECT_EQ(sink.requests(), (std::vector<std::int32_t>{1, 3}));
}

}  // namespace
