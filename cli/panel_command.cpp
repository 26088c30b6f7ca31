// vistrelle panel: opens a displacement's options panel the way the host does, draws it as text,
// applies edits as a user makes them and can write the edited settings back into the scene file.
#include "cli/commands.h"
#include "cli/max_points_option.h"
#include "cli/output_guard.h"
#include "cli/panel_view.h"

#include "formats/scene_data_edit.h"
#include "formats/scene_file.h"
#include "hostsim/host.h"
#include "hostsim/host_error.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <iostream>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cli {
namespace {

struct PanelOptions {
    std::string scene;
    std::string object;
    std::vector<std::string> edits;
    bool save = false;
    std::string saveAs;
    std::string module;
    std::uint64_t maxPoints = formats::defaultMaxPoints;
    bool force = false;  // --save-as even over a file the scene reads
};

// One --set resolved against the panel: the control and the value to hand the host.
struct Edit {
    std::string valueGiven;  // the value as written
    std::uint32_t id = 0;
    double value = 0.0;
};

[[noreturn]] void badEdit(const std::string &given, const std::string &what) {
    throw UsageError("--set \"" + given + "\": " + what);
}

std::string trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

template <typename Number>
std::optional<Number> parsed(const std::string &text) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

double popupValue(const std::string &given, const ControlView &control, const std::string &text) {
    for (std::size_t i = 0; i < control.entries.size(); ++i)
        if (control.entries[i] == text) return static_cast<double>(i);
    for (std::size_t i = 0; i < control.entries.size(); ++i)
        if (sameIgnoringCase(control.entries[i], text)) return static_cast<double>(i);
    if (const auto index = parsed<std::int32_t>(text);
        index && *index >= 0 && static_cast<std::size_t>(*index) < control.entries.size())
        return *index;
    std::string entries;
    for (std::size_t i = 0; i < control.entries.size(); ++i)
        entries += (i ? ", " : "") + std::to_string(i) + "=" + control.entries[i];
    badEdit(given, "no entry \"" + text + "\" in \"" + control.label + "\"; entries: " + entries);
}

double switchValue(const std::string &given, const ControlView &control, const std::string &text) {
    for (const char *on : {"on", "1", "true"})
        if (sameIgnoringCase(text, on)) return 1;
    for (const char *off : {"off", "0", "false"})
        if (sameIgnoringCase(text, off)) return 0;
    badEdit(given,
            "\"" + control.label + "\" takes on, off, 1, 0, true or false, not \"" + text + "\"");
}

Edit resolveEdit(const std::string &given, const PanelView &view) {
    const auto equals = given.find('=');
    if (equals == std::string::npos)
        badEdit(given, "expected LABEL=VALUE; controls: " + view.labelList());
    const std::string label = trimmed(std::string_view(given).substr(0, equals));
    const std::string text = trimmed(std::string_view(given).substr(equals + 1));
    const ControlView *control = view.find(label);
    if (control == nullptr)
        badEdit(given, "unknown control \"" + label + "\"; controls: " + view.labelList());

    Edit edit{text, control->id, 0.0};
    if (control->controlClass == popupClass) {
        edit.value = popupValue(given, *control, text);
    } else if (control->controlClass == switchClass) {
        edit.value = switchValue(given, *control, text);
    } else if (control->controlClass == floatClass) {
        const auto number = parsed<double>(text);
        if (!number)
            badEdit(given, "\"" + control->label + "\" takes a number, not \"" + text + "\"");
        edit.value = *number;
    } else {
        const auto number = parsed<std::int32_t>(text);
        if (!number)
            badEdit(given, "\"" + control->label + "\" takes a whole number from " +
                               std::to_string(std::numeric_limits<std::int32_t>::min()) + " to " +
                               std::to_string(std::numeric_limits<std::int32_t>::max()) +
                               ", not \"" + text + "\"");
        edit.value = *number;
    }
    return edit;
}

const ControlView &controlOf(const PanelView &view, std::uint32_t id) {
    for (const ControlView &control : view.controls)
        if (control.id == id) return control;
    throw hostsim::HostError("panel: the module described no control " + std::to_string(id));
}

// "1-3, 5" for the 0-based indices {0, 1, 2, 4}, numbered from 1.
std::string ranges(const std::vector<std::size_t> &indices) {
    std::string text;
    for (std::size_t i = 0; i < indices.size();) {
        std::size_t j = i;
        while (j + 1 < indices.size() && indices[j + 1] == indices[j] + 1) ++j;
        text += (text.empty() ? "" : ", ") + std::to_string(indices[i] + 1);
        if (j > i) text += "-" + std::to_string(indices[j] + 1);
        i = j + 1;
    }
    return text;
}

// Which whole leaves the instance's latest pass turned, judged by the points that left their base
// position. A point counts as moved beyond 1e-9 (relative above 1): a leaf turned by zero angles
// comes back within rounding of where it was.
std::string frameSummary(hostsim::Host &host, void *instance, double leafPoints) {
    const auto index = host.scene().indexOf(host.objectOf(instance));
    const hostsim::Item &item = host.scene().scene().items.at(index.value());
    const std::string frame = "frame " + std::to_string(host.currentFrame(instance)) + ": ";
    if (!item.mesh) return frame + "the object has no mesh";
    const auto &base = item.mesh->points;
    const auto &moved = host.lastPositions(instance);

    const std::size_t points = std::min(base.size(), moved.size());
    const std::size_t size = leafPoints >= 1 && leafPoints <= static_cast<double>(points)
                                 ? static_cast<std::size_t>(leafPoints)
                                 : 0;
    const std::size_t leaves = size ? points / size : 0;
    std::size_t movedPoints = 0;
    std::size_t movedBeyond = 0;
    std::vector<std::size_t> turned;
    for (std::size_t p = 0; p < points; ++p) {
        bool differs = false;
        for (std::size_t axis = 0; axis < 3; ++axis) {
            const double was = base[p][axis];
            differs =
                differs || std::fabs(moved[p][axis] - was) > 1e-9 * std::max(1.0, std::fabs(was));
        }
        if (!differs) continue;
        ++movedPoints;
        if (size == 0 || p / size >= leaves) {
            ++movedBeyond;
        } else if (turned.empty() || turned.back() != p / size) {
            turned.push_back(p / size);
        }
    }
    std::string text = frame + std::to_string(turned.size()) + " of " + std::to_string(leaves) +
                       " whole leaves turn";
    if (!turned.empty()) text += " (" + ranges(turned) + ")";
    text +=
        ", " + std::to_string(movedPoints) + " of " + std::to_string(base.size()) + " points move";
    if (movedBeyond)
        text += "; " + std::to_string(movedBeyond) + " of them outside the whole leaves";
    return text;
}

// The panel, then what the latest pass did to the object.
void showPanel(hostsim::Host &host, void *instance, const PanelView &view) {
    printPanel(std::cout, view);
    const ControlView &leafPoints = controlOf(view, CTL_LEAF_POINTS);
    std::cout << frameSummary(host, instance, leafPoints.value.value_or(0.0)) << '\n';
}

std::size_t chooseDisplacement(const hostsim::Scene &scene, const PanelOptions &options) {
    if (scene.displacements.empty())
        throw hostsim::HostError::at(typedPath(options.scene),
                                     "no displacements, so there is no panel to open");
    if (options.object.empty()) return 0;
    std::string objects;
    for (std::size_t i = 0; i < scene.displacements.size(); ++i) {
        const std::string &name = scene.items.at(scene.displacements[i].item).name;
        if (name == options.object) return i;
        objects += (i ? ", " : "") + name;
    }
    throw UsageError(
        "--object \"" + options.object +
        "\": no displacement on an object of that name; displaced objects: " + objects);
}

// One line per edit: what the control read before and after, what the hints derive from it and how
// often the module asked for the instance to be evaluated anew.
void applyEdit(hostsim::Host &host, hostsim::HostPanel &panel, const Edit &edit) {
    const ControlView before = controlOf(readPanel(panel), edit.id);
    const hostsim::EditOutcome outcome = host.edit(panel, edit.id, edit.value);
    const PanelView after = readPanel(panel);
    const ControlView &now = controlOf(after, edit.id);
    std::cout << "  " << now.label << " = " << edit.valueGiven << ": " << before.valueText()
              << " -> " << now.valueText();
    if (before.value == now.value) std::cout << " (unchanged)";
    for (const auto &[id, value] : outcome.derived)
        std::cout << "; " << controlOf(after, id).label << ' ' << controlOf(after, id).valueText();
    if (outcome.updates)
        std::cout << "; " << outcome.updates
                  << (outcome.updates == 1 ? " instance update" : " instance updates");
    std::cout << '\n';
}

void runPanel(const PanelOptions &options) {
    formats::PointBudget budget(options.maxPoints);
    hostsim::Scene scene = formats::readSceneFile(typedPath(options.scene), budget);
    if (!options.saveAs.empty()) {
        SameFileGuard guard;
        guard.addInputs(budget);
        guard.addInput(typedPath(options.module), "the module");
        guard.checkOutput(typedPath(options.saveAs), options.force);
    }
    const std::size_t chosen = chooseDisplacement(scene, options);
    const hostsim::Displacement &displacement = scene.displacements[chosen];

    hostsim::Host host(typedPath(options.module), scene);
    void *instance = host.displacementInstances().at(chosen);
    host.evaluateFrame(instance, host.frames().start);
    const hostsim::PanelOpening opening =
        host.openPanel(instance, HOST_INTERFACE_VERSION, displacement.server);
    if (opening.code != ACTIVATE_OK || opening.panel == nullptr)
        throw hostsim::HostError::at(typedPath(options.module),
                                     "the panel of displacement " + std::to_string(chosen + 1) +
                                         " did not open: activation answered " +
                                         std::to_string(opening.code));
    hostsim::HostPanel &panel = *opening.panel;

    // Every edit is checked before anything is shown or changed.
    const PanelView view = readPanel(panel);
    std::vector<Edit> edits;
    for (const std::string &given : options.edits) edits.push_back(resolveEdit(given, view));

    std::cout << "displacement " << chosen + 1 << " of " << scene.displacements.size() << ": "
              << scene.items.at(displacement.item).name << ", server " << displacement.server
              << '\n';
    showPanel(host, instance, view);
    if (!edits.empty()) {
        std::cout << "edits\n";
        for (const Edit &edit : edits) applyEdit(host, panel, edit);
        // A host shows the object anew after a panel change, whether or not the module asked for
        // it.
        host.evaluateFrame(instance, host.currentFrame(instance));
        std::cout << "after edits\n";
        showPanel(host, instance, readPanel(panel));
    }
    if (options.save || !options.saveAs.empty()) {
        const std::vector<std::int32_t> data = host.save(instance);
        std::string values;
        for (const std::int32_t value : data)
            values += (values.empty() ? "" : ", ") + std::to_string(value);
        if (options.save) {
            // Only the text of "data" changes, so the scene's comments and layout stay as the user
            // wrote them.
            try {
                formats::saveDisplacementData(typedPath(options.scene), chosen, data);
            } catch (const hostsim::HostError &error) {
                throw hostsim::HostError(
                    std::string(error.what()) +
                    "; the file is unchanged (--save-as NEW.json writes the whole scene anew)");
            }
            std::cout << "saved displacement " << chosen + 1 << " (data " << values << ") into "
                      << options.scene << '\n';
        } else {
            scene.displacements[chosen].data = data;
            formats::writeSceneFile(typedPath(options.saveAs), scene);
            std::cout << "saved the scene with displacement " << chosen + 1 << " (data " << values
                      << ") as " << options.saveAs << '\n';
        }
    }
}

}  // namespace

void addPanelCommand(CLI::App &app, const CommandContext &context) {
    auto options = std::make_shared<PanelOptions>();
    options->module = context.defaultModule.string();
    auto *panel = app.add_subcommand(
        "panel",
        "Open a displacement's options panel, show it, apply edits and optionally save them.");
    panel->add_option("SCENE", options->scene, "the scene file (JSON)")->required();
    panel->add_option("--object", options->object,
                      "the object whose displacement to open (default: the first displacement)");
    panel
        ->add_option("--set", options->edits,
                     "an edit \"LABEL=VALUE\", applied in order; repeatable")
        ->allow_extra_args(false);
    auto *save = panel->add_flag("--save", options->save,
                                 "write the edited settings into the scene file: only the text of "
                                 "the displacement's \"data\" "
                                 "changes, comments and layout stay");
    panel
        ->add_option(
            "--save-as", options->saveAs,
            "write the whole scene with the edited settings to a new file (without comments)")
        ->excludes(save);
    panel->add_option("--module", options->module, "the module file")->capture_default_str();
    addMaxPointsOption(*panel, options->maxPoints);
    panel->add_flag("--force", options->force,
                    "--save-as even where the file is the scene, a mesh, a buffer or the module");
    panel->footer(
        "Example (from the source folder):\n  vistrelle panel tests/data/cli/cards.json --set "
        "\"Object points=3\" "
        "--set \"Target object=Tree\"\n");
    panel->callback([options] { runPanel(*options); });
}

}  // namespace cli
