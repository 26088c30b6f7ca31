// vistrelle scene: a summary of a scene file as the host loads it: its frames, its items and, for
// every displacement, what the module makes of it: its description and its settings as the panel
// shows them.
#include "cli/commands.h"
#include "cli/max_points_option.h"
#include "cli/panel_view.h"

#include "formats/scene_file.h"
#include "hostsim/host.h"
#include "hostsim/host_error.h"

#include <algorithm>
#include <iomanip>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

namespace cli {
namespace {

struct SceneOptions {
    std::string scene;
    std::string module;
    std::uint64_t maxPoints = formats::defaultMaxPoints;
};

std::string pointText(const hostsim::Point3 &p) {
    return "(" + numberText(p.x) + ", " + numberText(p.y) + ", " + numberText(p.z) + ")";
}

std::string motionText(const hostsim::Motion &motion) {
    const auto &keys = motion.keys;
    if (keys.empty()) return "no position";
    if (keys.size() == 1) return "at " + pointText(keys.front().position);
    return std::to_string(keys.size()) + " keys from " + numberText(keys.front().time) + " s to " +
           numberText(keys.back().time) + " s";
}

std::string meshText(const hostsim::Item &item) {
    if (!item.mesh) return "";
    const auto &mesh = *item.mesh;
    return "; mesh " + std::to_string(mesh.points.size()) + " points " +
           (mesh.sourceFile.empty() ? std::string("inline") : "from " + mesh.sourceFile);
}

// A setting as "4", "2 = Bee", "0 = first point" or "on".
std::string settingText(const ControlView &control) {
    if (control.controlClass != popupClass || !control.chosenEntry()) return control.valueText();
    return numberText(*control.value) + " = " + control.valueText();
}

void printDisplacement(hostsim::Host &host, std::size_t index) {
    const hostsim::Scene &scene = host.scene().scene();
    const hostsim::Displacement &displacement = scene.displacements[index];
    const hostsim::Item &object = scene.items.at(displacement.item);
    void *instance = host.displacementInstances().at(index);

    std::cout << "  " << index + 1 << "  on " << object.name << ", server " << displacement.server;
    if (displacement.data) {
        std::cout << ", data";
        for (std::size_t i = 0; i < displacement.data->size(); ++i)
            std::cout << (i ? ", " : " ") << (*displacement.data)[i];
    } else {
        std::cout << ", no data block (default settings)";
    }
    std::cout << '\n';
    std::cout << "     " << host.describe(instance) << '\n';

    const hostsim::PanelOpening opening =
        host.openPanel(instance, HOST_INTERFACE_VERSION, displacement.server);
    if (opening.code != ACTIVATE_OK || opening.panel == nullptr)
        throw hostsim::HostError::at(host.library().path(),
                                     "the panel of displacement " + std::to_string(index + 1) +
                                         " did not open: activation answered " +
                                         std::to_string(opening.code));
    const PanelView view = readPanel(*opening.panel);
    std::string settings;
    std::optional<double> leafPoints;
    for (const ControlView &control : view.controls) {
        if (control.id == CTL_LEAF_POINTS) leafPoints = control.value;
        if (!control.derivedFrom.empty()) continue;  // shown by the panel, not a setting of its own
        settings += (settings.empty() ? "" : "; ") + control.label + " " + settingText(control);
    }
    std::cout << "     " << settings << '\n';

    const std::size_t points = object.mesh ? object.mesh->points.size() : 0;
    const std::size_t leaves =
        leafPoints && *leafPoints >= 1 ? points / static_cast<std::size_t>(*leafPoints) : 0;
    std::cout << "     whole leaves " << leaves << " (" << points << " points)\n";
}

void runScene(const SceneOptions &options) {
    formats::PointBudget budget(options.maxPoints);
    hostsim::Host host(typedPath(options.module),
                       formats::readSceneFile(typedPath(options.scene), budget));
    const hostsim::Scene &scene = host.scene().scene();

    std::cout << "scene " << options.scene << '\n';
    std::cout << "frames " << scene.frames.start << " to " << scene.frames.end << " at "
              << numberText(scene.frames.framesPerSecond) << " fps\n";

    std::cout << "items " << scene.items.size() << '\n';
    std::size_t width = 0;
    for (const hostsim::Item &item : scene.items) width = std::max(width, item.name.size());
    // Numbered from 1, as the Target object popup counts them.
    for (std::size_t i = 0; i < scene.items.size(); ++i) {
        const hostsim::Item &item = scene.items[i];
        std::cout << "  " << i + 1 << "  " << std::left << std::setw(static_cast<int>(width))
                  << item.name << "  " << motionText(item.motion) << meshText(item) << '\n';
    }

    std::cout << "displacements " << scene.displacements.size() << '\n';
    for (std::size_t i = 0; i < scene.displacements.size(); ++i) printDisplacement(host, i);
}

}  // namespace

void addSceneCommand(CLI::App &app, const CommandContext &context) {
    auto options = std::make_shared<SceneOptions>();
    options->module = context.defaultModule.string();
    auto *scene = app.add_subcommand(
        "scene",
        "Summarize a scene: frames, items and what the module makes of each displacement.");
    scene->add_option("SCENE", options->scene, "the scene file (JSON)")->required();
    scene->add_option("--module", options->module, "the module file")->capture_default_str();
    addMaxPointsOption(*scene, options->maxPoints);
    scene->footer(
        "Example (from the source folder):\n  vistrelle scene tests/data/cli/cards.json\n");
    scene->callback([options] { runScene(*options); });
}

}  // namespace cli
