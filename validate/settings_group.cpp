// Hostile settings, through the panel and through load: leaf sizes from INT_MIN to INT_MAX, pivot
// rules outside 0 to 3, targets before and beyond the item list, switches other than 0 and 1; and
// controls the panel does not have.
#include "validate/groups.h"

#include "validate/checked_host.h"
#include "validate/test_scenes.h"
#include "validate/validation_failure.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <sstream>

namespace validate {
namespace {

constexpr std::int32_t leafSizes[] = {INT_MIN, -1, 0, 1, 2, 3, INT_MAX};
constexpr std::int32_t pivotRules[] = {-1, 7, 0, 3};
constexpr std::int32_t switchValues[] = {0, 1, 2, -1};
constexpr std::uint32_t strangeControls[] = {0, 0x8001, 0x8008, 0x7FFF, 0xFFFFFFFFu};

hostsim::Scene settingsScene(Random &random) {
    hostsim::Scene scene;
    scene.frames = {0, 48, 24.0};
    scene.items.push_back(targetItem("Sun", hostsim::Motion::fixed({30, 40, -50})));
    scene.items.push_back(meshItem("Ten", randomLeaves(10, random)));
    scene.items.push_back(meshItem("Twelve", randomLeaves(12, random)));
    scene.items.push_back(targetItem("Bee", wanderingMotion()));
    return scene;
}

std::vector<std::int32_t> targetIndexes(std::size_t items) {
    const auto beyond = static_cast<std::int32_t>(items) + 1;
    return {-1, INT_MIN, beyond, INT_MAX, 0, 1, 4};
}

// Leaves shows the exact quotient of the point count by the leaf size. Below 1 point per leaf the
// quotient means nothing, and what the panel shows for it is left to the module.
void checkLeaves(CheckedHost &host, TrackedInstance &instance, std::int32_t leafPoints,
                 std::size_t points) {
    const auto shown = host.panel(instance).get(CTL_LEAVES);
    const double expected = static_cast<double>(points) / static_cast<double>(leafPoints);
    if (!shown || !(*shown == expected || (std::isnan(*shown) && std::isnan(expected))))
        fail("Leaves shows " + (shown ? std::to_string(*shown) : std::string("none")) + " for " +
             std::to_string(points) + " points of " + std::to_string(leafPoints) +
             " per leaf; expected " + std::to_string(expected));
}

void checkAll(CheckedHost &host, TrackedInstance &instance, std::int32_t frame) {
    host.frame(instance, frame);
    host.checkDescribe(instance);
    host.checkUseItems(instance);
    host.save(instance);
}

std::string place(const char *way, std::size_t object, std::int32_t leafPoints, std::int32_t pivot,
                  std::int32_t target, std::int32_t h, std::int32_t p) {
    std::ostringstream out;
    out << way << ", object " << object << ", settings " << leafPoints << ' ' << target << ' '
        << pivot << ' ' << h << ' ' << p;
    return out.str();
}

}  // namespace

std::string runSettingsGroup(const GroupOptions &options) {
    Random random(options.seed);
    CheckedHost host(options.module, settingsScene(random));
    const std::size_t items = host.host().scene().scene().items.size();
    const std::vector<std::int32_t> targets = targetIndexes(items);
    const std::size_t switchCount = options.quick ? 2 : std::size(switchValues);
    std::size_t combinations = 0;
    for (const std::size_t object : {std::size_t{1}, std::size_t{2}}) {
        const std::size_t points = host.basePositions(host.host().scene().itemId(object)).size();
        for (const std::int32_t leafPoints : leafSizes) {
            TrackedInstance &viaPanel = host.create(object);
            TrackedInstance &viaLoad = host.create(object);
            host.edit(viaPanel, CTL_LEAF_POINTS, leafPoints);
            if (leafPoints >= 1 && host.save(viaPanel)[0] == leafPoints)
                checkLeaves(host, viaPanel, leafPoints, points);
            std::int32_t frame = 0;
            for (const std::int32_t pivot : pivotRules)
                for (const std::int32_t target : targets)
                    for (std::size_t h = 0; h < switchCount; ++h)
                        for (std::size_t p = 0; p < switchCount; ++p) {
                            const std::int32_t hv = switchValues[(h + p) % std::size(switchValues)];
                            const std::int32_t pv = switchValues[p];
                            ++combinations;
                            ++frame;
                            try {
                                host.edit(viaPanel, CTL_PIVOT_TYPE, pivot);
                                host.edit(viaPanel, CTL_TARGET, target);
                                host.edit(viaPanel, CTL_H_ALIGN, hv);
                                host.edit(viaPanel, CTL_P_ALIGN, pv);
                                for (std::uint32_t control = CTL_LEAF_POINTS;
                                     control <= CTL_P_ALIGN; ++control)
                                    host.get(viaPanel, control);
                                checkAll(host, viaPanel, frame % 48);
                            } catch (const std::exception &error) {
                                fail(place("through the panel", object, leafPoints, pivot, target,
                                           hv, pv) +
                                     ": " + error.what());
                            }
                            try {
                                host.load(viaLoad, {leafPoints, target, pivot, hv, pv});
                                checkAll(host, viaLoad, frame % 48);
                            } catch (const std::exception &error) {
                                fail(place("through load", object, leafPoints, pivot, target, hv,
                                           pv) +
                                     ": " + error.what());
                            }
                        }
            for (const std::uint32_t control : strangeControls) {
                try {
                    host.set(viaPanel, control, 5);
                    host.get(viaPanel, control);
                    host.edit(viaPanel, control, -3);
                    host.notify(viaPanel, control, 2);
                    host.notify(viaPanel, CTL_LEAF_POINTS, static_cast<std::int32_t>(control));
                    checkAll(host, viaPanel, 3);
                } catch (const std::exception &error) {
                    std::ostringstream where;
                    where << "control 0x" << std::hex << control;
                    fail(where.str() + ", leaf size " + std::to_string(leafPoints) + ": " +
                         error.what());
                }
            }
            host.destroy(viaPanel);
            host.destroy(viaLoad);
        }
    }
    return std::to_string(combinations) +
           " combinations of hostile settings, each through the panel and through load";
}

}  // namespace validate
