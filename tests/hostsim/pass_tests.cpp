// The stand-in host's shortcuts within a displacement pass: the target's position kept from one
// call to the next, and the mesh being walked answered straight from its points. Both must answer
// exactly what the plain services answer, and keep nothing past the pass or the walk.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "hostsim/active_host.h"
#include "hostsim/scene_services.h"

namespace {

using hostsim::Item;
using hostsim::Motion;
using hostsim::Point3;
using Points = std::vector<std::array<float, 3>>;

Motion rising() { return Motion{{{1.0, {0, 0, 0}}, {3.0, {4, -2, 8}}}}; }

hostsim::Scene twoObjectsAndACone() {
    hostsim::Scene scene;
    scene.items.push_back(
        {"Leaves", Motion::fixed({}),
         hostsim::Mesh{Points{{0, 0, 0}, {1, 0, 0}, {1.5f, 2, -3}}, "", nullptr, nullptr}});
    scene.items.push_back({"Stones", Motion::fixed({}),
                           hostsim::Mesh{Points{{7, 8, 9}, {-1, -2, -3}}, "", nullptr, nullptr}});
    scene.items.push_back({"Cone", rising(), std::nullopt});
    return scene;
}

class ScenePass : public ::testing::Test {
  protected:
    hostsim::SceneServices services{twoObjectsAndACone()};
    hostsim::ActiveHostScope scope{{nullptr, &services, nullptr, nullptr}};
    ItemInfo *items = services.itemInfo();

    Point3 position(std::size_t item, double time, std::int32_t code = ITEM_PARAM_POSITION) {
        double out[3] = {9, 9, 9};
        items->itemParam(services.itemId(item), code, time, out);
        return {out[0], out[1], out[2]};
    }
};

TEST_F(ScenePass, AnotherTimeItemOrCodeIsAskedAnewWithinAPass) {
    const hostsim::SceneServices::Pass pass(services);
    EXPECT_EQ(position(2, 2.0), (Point3{2, -1, 4}));
    EXPECT_EQ(position(2, 2.0), (Point3{2, -1, 4}));
    EXPECT_EQ(position(2, 3.0), (Point3{4, -2, 8}));
    EXPECT_EQ(position(0, 3.0), (Point3{}));
    EXPECT_EQ(position(2, 3.0, 3), (Point3{}));
    EXPECT_EQ(services.counters().itemParam, 5u) << "every call counted, kept answer or not";
}

TEST_F(ScenePass, NothingIsKeptPastThePass) {
    {
        const hostsim::SceneServices::Pass pass(services);
        EXPECT_EQ(position(2, 2.0), (Point3{2, -1, 4}));
    }
    services.item(2).motion = Motion::fixed({5, 5, 5});
    const hostsim::SceneServices::Pass pass(services);
    EXPECT_EQ(position(2, 2.0), (Point3{5, 5, 5}));
}

struct Walk {
    MeshHandle *mesh = nullptr;
    MeshHandle *other = nullptr;   // asked for its first point at every point, when set
    MeshHandle *nested = nullptr;  // walked whole at the first point, when set
    Points seen, otherSeen, nestedSeen;
};

extern "C" std::int32_t collectPoint(void *data, PointId point);

extern "C" std::int32_t collectNested(void *data, PointId point) {
    auto *walk = static_cast<Walk *>(data);
    float p[3];
    walk->nested->meshPointPosition(walk->nested, point, p);
    walk->nestedSeen.push_back({p[0], p[1], p[2]});
    return 0;
}

extern "C" std::int32_t collectPoint(void *data, PointId point) {
    auto *walk = static_cast<Walk *>(data);
    if (walk->nested != nullptr && walk->seen.empty())
        walk->nested->meshScanPoints(walk->nested, &collectNested, walk);
    float p[3];
    walk->mesh->meshPointPosition(walk->mesh, point, p);
    walk->seen.push_back({p[0], p[1], p[2]});
    if (walk->other != nullptr) {
        walk->other->meshPointPosition(walk->other, hostsim::SceneServices::pointId(1), p);
        walk->otherSeen.push_back({p[0], p[1], p[2]});
    }
    return 0;
}

TEST_F(ScenePass, AWalkStillAnswersThePointsOfAnotherMesh) {
    Walk walk;
    walk.mesh = services.meshOf(services.itemId(0));
    walk.other = services.meshOf(services.itemId(1));
    walk.mesh->meshScanPoints(walk.mesh, &collectPoint, &walk);
    EXPECT_EQ(walk.seen, services.scene().items[0].mesh->points);
    EXPECT_EQ(walk.otherSeen, (Points(3, {-1, -2, -3})));
}

TEST_F(ScenePass, AWalkWithinAWalkLeavesTheOuterOneIntact) {
    Walk walk;
    walk.mesh = services.meshOf(services.itemId(0));
    walk.nested = services.meshOf(services.itemId(1));
    walk.mesh->meshScanPoints(walk.mesh, &collectPoint, &walk);
    EXPECT_EQ(walk.nestedSeen, services.scene().items[1].mesh->points);
    EXPECT_EQ(walk.seen, services.scene().items[0].mesh->points);
}

extern "C" std::int32_t askPastTheEnd(void *data, PointId) {
    auto *walk = static_cast<Walk *>(data);
    float p[3] = {7, 7, 7};
    const std::int32_t answer =
        walk->mesh->meshPointPosition(walk->mesh, hostsim::SceneServices::pointId(3), p);
    walk->seen.push_back({p[0], p[1], static_cast<float>(answer)});
    return 0;
}

TEST_F(ScenePass, APointPastTheEndOfTheWalkedMeshIsRefused) {
    Walk walk;
    walk.mesh = services.meshOf(services.itemId(0));
    walk.mesh->meshScanPoints(walk.mesh, &askPastTheEnd, &walk);
    EXPECT_EQ(walk.seen, (Points(3, {7, 7, 0})));
}

}  // namespace
