// What the validator found in the module, kept as regression tests.
#include "hostsim/host.h"
#include "validate/test_scenes.h"

#include <gtest/gtest.h>

namespace {

// Leaf size 3 loaded (the arrays are made for 8 leaves of a 24-point object), then leaf size 4 set
// through the panel without the change notification: a frame measures and turns 6 leaves of 4. A
// pass without newTime then goes on with the cursors into leaves 6 and 7, which no scan measured
// since their arrays were made; their zeroed pivot and axes turn the points about the origin,
// far from their leaves. Expected: such points come back unchanged, as after a resize.
TEST(ModuleFindings, ALeafNoScanMeasuredIsNotTurnedAboutTheOrigin) {
    validate::Random random(4);
    hostsim::Scene scene;
    scene.items.push_back(validate::targetItem("Sun", hostsim::Motion::fixed({30, 40, -50})));
    scene.items.push_back(validate::meshItem("Cards", validate::randomLeaves(24, random)));
    hostsim::Host host(VISTREL_MODULE_FILE, scene);
    void *instance = host.create(1);
    host.load(instance, {3, 1, 0, 1, 1});
    const hostsim::PanelOpening opened = host.openPanel(instance);
    ASSERT_NE(opened.panel, nullptr);
    opened.panel->set(0x8002, 4);
    host.evaluateFrame(instance, 1);
    const std::vector<hostsim::Position> again = host.evaluatePass(instance);
    const auto &points = host.scene().scene().items[1].mesh->points;
    for (std::size_t i = 0; i < points.size(); ++i)
        EXPECT_EQ(again[i], (hostsim::Position{points[i][0], points[i][1], points[i][2]}))
            << "point " << i;
}

}  // namespace
