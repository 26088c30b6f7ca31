// Instance lifecycles, one after another: create, settings (through load or through the panel),
// two frames, describe, useItems, save, flags, destroy; on meshes of 0, 1, 3, 10 and 10,000 points
// and on an item without a mesh.
#include "validate/groups.h"

#include "validate/checked_host.h"
#include "validate/test_scenes.h"
#include "validate/validation_failure.h"

#include <sstream>

namespace validate {
namespace {

struct Counts {
    int lifecycles;     // in all
    int bigLifecycles;  // of them, on the mesh of 10,000 points
};

constexpr Counts fullCounts{10000, 40};
constexpr Counts quickCounts{600, 2};

// Items of the scene: two targets, then the objects.
enum : std::size_t { sun, bee, empty, single, triple, ten, bush, bare, itemCount };
constexpr std::size_t smallObjects[] = {empty, single, triple, ten, bare};

hostsim::Scene lifecycleScene(Random &random) {
    hostsim::Scene scene;
    scene.frames = {0, 48, 24.0};
    scene.items.push_back(targetItem("Sun", hostsim::Motion::fixed({30, 40, -50})));
    scene.items.push_back(targetItem("Bee", wanderingMotion()));
    scene.items.push_back(meshItem("Empty", {}));
    scene.items.push_back(meshItem("Single", randomLeaves(1, random)));
    scene.items.push_back(meshItem("Triple", randomLeaves(3, random)));
    scene.items.push_back(meshItem("Ten", randomLeaves(10, random)));
    scene.items.push_back(meshItem("Bush", randomLeaves(10000, random)));
    scene.items.push_back(bareItem("Bare"));
    return scene;
}

Settings randomSettings(Random &random) {
    static constexpr std::int32_t leafSizes[] = {2, 3, 4, 4, 4, 5, 8};
    std::uniform_int_distribution<std::size_t> size(0, std::size(leafSizes) - 1);
    std::uniform_int_distribution<std::int32_t> target(0, static_cast<std::int32_t>(itemCount));
    std::uniform_int_distribution<std::int32_t> pivot(0, 3);
    std::uniform_int_distribution<std::int32_t> flag(0, 1);
    Settings s;
    s.leafPoints = leafSizes[size(random)];
    s.targetIndex = target(random);
    s.pivotType = pivot(random);
    s.headingAlign = flag(random);
    s.pitchAlign = flag(random);
    return s;
}

std::string describeSettings(const Settings &s) {
    std::ostringstream out;
    out << "settings " << s.leafPoints << ' ' << s.targetIndex << ' ' << s.pivotType << ' '
        << s.headingAlign << ' ' << s.pitchAlign;
    return out.str();
}

}  // namespace

std::string runLifecycleGroup(const GroupOptions &options) {
    const Counts counts = options.quick ? quickCounts : fullCounts;
    Random random(options.seed);
    CheckedHost host(options.module, lifecycleScene(random));
    const int bigEvery = counts.lifecycles / counts.bigLifecycles;
    for (int i = 0; i < counts.lifecycles; ++i) {
        const std::size_t object =
            i % bigEvery == 0 ? bush
                              : smallObjects[static_cast<std::size_t>(i) % std::size(smallObjects)];
        const Settings settings = randomSettings(random);
        const bool throughPanel = i % 2 == 1;
        const std::int32_t frame = static_cast<std::int32_t>(i % 47);
        try {
            TrackedInstance &instance = host.create(object);
            host.checkUseItems(instance);
            if (throughPanel) {
                host.edit(instance, CTL_LEAF_POINTS, settings.leafPoints);
                host.edit(instance, CTL_TARGET, settings.targetIndex);
                host.edit(instance, CTL_PIVOT_TYPE, settings.pivotType);
                host.edit(instance, CTL_H_ALIGN, settings.headingAlign);
                host.edit(instance, CTL_P_ALIGN, settings.pitchAlign);
            } else {
                host.load(instance, settings.stored());
            }
            host.checkDescribe(instance);
            host.frame(instance, frame);
            host.frame(instance, frame + 1);
            host.checkUseItems(instance);
            host.save(instance);
            host.checkFlags(instance);
            host.destroy(instance);
        } catch (const std::exception &error) {
            fail("lifecycle " + std::to_string(i + 1) + " (object \"" +
                 host.host().scene().scene().items[object].name + "\", " +
                 describeSettings(settings) +
                 (throughPanel ? " through the panel" : " through load") + "): " + error.what());
        }
    }
    const PassTally &tally = host.tally();
    return std::to_string(counts.lifecycles) + " lifecycles (" +
           std::to_string(counts.bigLifecycles) + " on 10,000 points), " +
           std::to_string(tally.evaluated) + " points evaluated, " + std::to_string(tally.turned) +
           " turned";
}

}  // namespace validate
