// Hostile geometry: every kind of hostile leaf in one mesh, turned toward every hostile target by
// every pivot rule and switch setting; then meshes of hostile and ordinary leaves mixed at random.
#include "validate/groups.h"

#include "validate/checked_host.h"
#include "validate/test_scenes.h"
#include "validate/validation_failure.h"

#include <limits>

namespace validate {
namespace {

constexpr std::int32_t pivotRules[] = {0, 1, 2, 3, -1, 7};
constexpr std::array<std::array<std::int32_t, 2>, 4> switches = {{{1, 0}, {0, 1}, {1, 1}, {2, 1}}};
constexpr std::int32_t leafSizes[] = {4, 2, 3};

// Every hostile leaf in a row, then two points of no whole leaf.
std::vector<FloatPoint> hostileMesh() {
    std::vector<FloatPoint> points;
    for (const HostileLeaf &leaf : hostileLeaves())
        points.insert(points.end(), leaf.points.begin(), leaf.points.end());
    points.push_back({std::numeric_limits<float>::quiet_NaN(), 1, 2});
    points.push_back({5, 6, 7});
    return points;
}

// Leaves drawn at random from the hostile kinds and ordinary ones.
std::vector<FloatPoint> mixedMesh(Random &random, std::size_t leaves) {
    const std::vector<HostileLeaf> kinds = hostileLeaves();
    std::uniform_int_distribution<std::size_t> pick(0, kinds.size());
    std::vector<FloatPoint> points;
    for (std::size_t i = 0; i < leaves; ++i) {
        const std::size_t kind = pick(random);
        if (kind == kinds.size()) {
            const auto ordinary = randomLeaves(4, random);
            points.insert(points.end(), ordinary.begin(), ordinary.end());
        } else {
            points.insert(points.end(), kinds[kind].points.begin(), kinds[kind].points.end());
        }
    }
    return points;
}

std::string targetName(const hostsim::Point3 &t) { return formatPosition(hostsim::toPosition(t)); }

}  // namespace

std::string runGeometryGroup(const GroupOptions &options) {
    Random random(options.seed);
    hostsim::Scene scene;
    scene.frames = {0, 48, 24.0};
    scene.items.push_back(targetItem("Target", hostsim::Motion::fixed({10, 0, 0})));
    scene.items.push_back(meshItem("Hostile", hostileMesh()));
    const int randomMeshes = options.quick ? 20 : 200;
    for (int i = 0; i < randomMeshes; ++i)
        scene.items.push_back(meshItem("Mixed " + std::to_string(i + 1), mixedMesh(random, 12)));
    CheckedHost host(options.module, std::move(scene));
    const std::vector<hostsim::Point3> targets = hostileTargets();

    std::size_t frames = 0;
    for (const std::int32_t leafPoints : leafSizes)
        for (const std::int32_t pivot : pivotRules)
            for (const auto &[h, p] : switches) {
                TrackedInstance &instance = host.create(1);
                host.load(instance, {leafPoints, 1, pivot, h, p});
                for (const hostsim::Point3 &target : targets) {
                    host.host().scene().item(0).motion = hostsim::Motion::fixed(target);
                    try {
                        host.frame(instance, static_cast<std::int32_t>(++frames % 48));
                    } catch (const std::exception &error) {
                        fail("hostile leaves, " + std::to_string(leafPoints) +
                             " points per leaf, pivot rule " + std::to_string(pivot) +
                             ", switches " + std::to_string(h) + " " + std::to_string(p) +
                             ", target at " + targetName(target) + ": " + error.what());
                    }
                }
                host.destroy(instance);
            }

    std::uniform_int_distribution<std::size_t> pickTarget(0, targets.size() - 1);
    std::uniform_int_distribution<std::int32_t> pickPivot(0, 3);
    for (int i = 0; i < randomMeshes; ++i) {
        const std::size_t object = 2 + static_cast<std::size_t>(i);
        TrackedInstance &instance = host.create(object);
        const hostsim::Point3 target = targets[pickTarget(random)];
        const std::int32_t pivot = pickPivot(random);
        host.host().scene().item(0).motion = hostsim::Motion::fixed(target);
        try {
            host.load(instance, {4, 1, pivot, 1, 1});
            host.frame(instance, 1);
            host.frame(instance, 2);
            host.checkDescribe(instance);
        } catch (const std::exception &error) {
            fail("mixed mesh " + std::to_string(i + 1) + ", pivot rule " + std::to_string(pivot) +
                 ", target at " + targetName(target) + ": " + error.what());
        }
        host.destroy(instance);
        ++frames;
    }
    const PassTally &tally = host.tally();
    return std::to_string(frames) + " frames over hostile leaves and targets, " +
           std::to_string(tally.evaluated) + " points evaluated, " + std::to_string(tally.turned) +
           " turned";
}

}  // namespace validate
