// vistrelle apply: turns the leaves of one OBJ mesh toward a point, the way a user would in a host:
// the object and a "Target" item in a scene, the displacement created, every option set through
// the module's own options panel, then one frame evaluated.
#include "cli/commands.h"
#include "cli/max_points_option.h"

#include "cli/finite_positions.h"
#include "cli/module_watch.h"
#include "cli/option_controls.h"
#include "cli/output_folder.h"
#include "cli/output_guard.h"
#include "cli/resolved_target.h"
#include "cli/shown_settings.h"
#include "formats/gltf_writer.h"
#include "formats/mesh_file.h"
#include "formats/mesh_surface.h"
#include "formats/obj_mesh.h"
#include "formats/svg_picture.h"
#include "formats/text/text_file.h"
#include "hostsim/host.h"
#include "hostsim/host_error.h"
#include "hostsim/vistrelle_settings.h"

#include <charconv>
#include <cmath>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

namespace cli {
namespace {

namespace fs = std::filesystem;

constexpr const char *targetItemName = "Target";

// A switch's value as --h-align and --p-align take it.
const char *switchText(std::int32_t value) { return value == SWITCH_ON ? "on" : "off"; }

struct ApplyOptions {
    std::string mesh;
    std::string target;
    std::string out;
    int leafPoints = DEFAULT_LEAF_POINTS;
    std::string pivot = hostsim::pivotRuleNames[DEFAULT_PIVOT_TYPE];
    std::string hAlign = switchText(DEFAULT_HEADING_ALIGN);
    std::string pAlign = switchText(DEFAULT_PITCH_ALIGN);
    std::string svg;
    std::string gltf;
    std::string module;
    std::uint64_t maxPoints = formats::defaultMaxPoints;
    bool force = false;  // write outputs even where they are inputs
};

UsageError badOption(std::string_view option, std::string_view value, std::string_view expected) {
    return UsageError(std::string(option) + " \"" + std::string(value) + "\": expected " +
                      std::string(expected));
}

// "X,Y,Z": three finite numbers.
hostsim::Point3 parsePoint(const std::string &text) {
    double xyz[3] = {};
    std::string_view rest = text;
    for (int axis = 0; axis < 3; ++axis) {
        const std::size_t comma = axis < 2 ? rest.find(',') : rest.size();
        const std::string_view number = rest.substr(0, comma);
        const auto [end, error] =
            std::from_chars(number.data(), number.data() + number.size(), xyz[axis]);
        if (comma == std::string_view::npos || number.empty() || error != std::errc{} ||
            end != number.data() + number.size() || !std::isfinite(xyz[axis]))
            throw badOption("--target", text, "three numbers X,Y,Z, e.g. 10,0,0");
        rest = rest.substr(std::min(rest.size(), comma + 1));
    }
    return {xyz[0], xyz[1], xyz[2]};
}

int parseSwitch(std::string_view option, const std::string &text) {
    if (text == switchText(SWITCH_ON)) return SWITCH_ON;
    if (text == switchText(SWITCH_OFF)) return SWITCH_OFF;
    throw badOption(option, text, "on or off");
}

// The pivot rule as the panel's popup lists it, or its number.
int pivotIndex(const std::string &text, const std::vector<std::string> &choices) {
    for (std::size_t i = 0; i < choices.size(); ++i)
        if (text == choices[i] || text == std::to_string(i)) return static_cast<int>(i);
    std::string expected = "one of";
    for (const std::string &choice : choices) expected += " \"" + choice + "\",";
    expected += " or 0-" + std::to_string(choices.size() - 1);
    throw badOption("--pivot", text, expected);
}

// The --pivot option's help: every rule's name, then their numbers.
std::string pivotHelp() {
    std::string text = "pivot rule:";
    for (const char *name : hostsim::pivotRuleNames) text += " \"" + std::string(name) + "\",";
    return text + " or 0-" + std::to_string(PIVOT_RULE_COUNT - 1);
}

// The object and a "Target" item at `target`, with a displacement created on the object but not
// loaded; the mesh is read within `budget`.
hostsim::Scene applyScene(const fs::path &meshPath, const hostsim::Point3 &target,
                          formats::PointBudget &budget) {
    hostsim::Scene scene;
    std::string name = meshPath.stem().string();
    if (name.empty() || name == targetItemName) name += " object";
    scene.items.push_back(
        {name, hostsim::Motion::fixed({}), formats::readMeshFile(meshPath, budget)});
    scene.items.push_back({targetItemName, hostsim::Motion::fixed(target), std::nullopt});
    scene.displacements.push_back({0, "Vistrelle", std::nullopt});
    return scene;
}

std::string writtenName(const std::string &path) {
    return path == formats::standardOutput ? "standard output" : path;
}

std::string pointText(const hostsim::Point3 &p) {
    std::ostringstream text;
    text << '(' << p.x << ", " << p.y << ", " << p.z << ')';
    return text.str();
}

std::string writtenFiles(const ApplyOptions &options) {
    std::string files;
    for (const std::string *file : {&options.out, &options.gltf, &options.svg}) {
        if (file->empty()) continue;
        files += (files.empty() ? "" : " and ") + writtenName(*file);
    }
    return files;
}

void applyToMesh(const ApplyOptions &options) {
    const EmptyFoldersOnFailure cleanup;
    const hostsim::Point3 target = parsePoint(options.target);
    const int hAlign = parseSwitch("--h-align", options.hAlign);
    const int pAlign = parseSwitch("--p-align", options.pAlign);
    if (options.out.empty() && options.gltf.empty())
        throw hostsim::HostError("apply: expected -o FILE.obj or --gltf FILE.glb (or both)");
    if (options.leafPoints < 2)
        throw badOption("--leaf-points", std::to_string(options.leafPoints),
                        "a whole number of at least 2");
    const fs::path module = typedPath(options.module);
    const fs::path out = typedPath(options.out), gltf = typedPath(options.gltf),
                   svg = typedPath(options.svg);
    formats::PointBudget budget(options.maxPoints);
    hostsim::Scene scene = applyScene(typedPath(options.mesh), target, budget);
    SameFileGuard guard;
    guard.addInput(typedPath(options.mesh), "the mesh");
    guard.addInputs(budget);
    guard.addInput(module, "the module");
    for (const fs::path *output : {&out, &gltf, &svg}) guard.checkOutput(*output, options.force);

    const ModuleWatch watch(module);
    hostsim::Host host(module, std::move(scene));
    void *instance = host.displacementInstances().front();
    const hostsim::PanelOpening opening = host.openPanel(instance);
    if (opening.panel == nullptr)
        throw hostsim::HostError::at(module,
                                     "the options panel did not open (activation answered " +
                                         std::to_string(opening.code) + ")");
    hostsim::HostPanel &panel = *opening.panel;

    // The target item is the second of the scene, so the popup lists it second after "(none)".
    constexpr int targetEntry = 2;
    const std::vector<std::string> targets = panel.popupEntries(CTL_TARGET);
    if (targets.size() <= targetEntry || targets[targetEntry] != targetItemName)
        throw hostsim::HostError::at(
            module, "the \"Target object\" popup does not list \"Target\" as entry 2");
    const int pivot = pivotIndex(options.pivot, panel.stringList(CTL_PIVOT_TYPE));

    host.edit(panel, CTL_LEAF_POINTS, options.leafPoints);
    host.edit(panel, CTL_TARGET, targetEntry);
    host.edit(panel, CTL_PIVOT_TYPE, pivot);
    host.edit(panel, CTL_H_ALIGN, hAlign);
    host.edit(panel, CTL_P_ALIGN, pAlign);

    const std::vector<hostsim::Position> positions = host.evaluateFrame(instance, 0);
    const hostsim::Item &object = host.scene().scene().items.front();
    refuseNonFinite(module, 0, object.name, positions);
    const ShownSettings settings = showSettings(host, instance);
    const std::optional<ResolvedTarget> resolved = resolvedTarget(host, instance);
    std::string svgText;
    if (!options.svg.empty()) {
        formats::SvgFrame picture;
        picture.base = object.mesh->points;
        picture.displaced = positions;
        picture.leafSize = settings.leafPoints;
        picture.pivotRule = pivot;
        if (resolved) {
            picture.targetName = resolved->name;
            picture.targetPosition = resolved->at(0.0);
        }
        picture.caption = object.name + ": " + settings.caption;
        svgText = formats::renderSvg(picture);
    }
    // Every output is made in memory first where it can be; each is then written whole or not at
    // all, and a failure says which outputs were written before it.
    const std::string objText =
        options.out.empty() ? std::string() : formats::objMeshText(*object.mesh, positions);
    std::vector<std::string> written;
    const auto writeOutput = [&](const fs::path &file, const char *what,
                                 const std::function<void()> &write) {
        if (file.empty()) return;
        try {
            makeFolderOf(file);
            write();
        } catch (const hostsim::HostError &error) {
            if (written.empty()) throw;
            std::string done;
            for (const std::string &name : written) done += (done.empty() ? "" : " and ") + name;
            throw hostsim::HostError(std::string(error.what()) + "; " + done +
                                     (written.size() == 1 ? " was" : " were") + " written, " +
                                     what + " was not");
        }
        written.push_back(writtenName(file.string()));
    };
    writeOutput(out, "the OBJ file", [&] { formats::replaceFile(out, objText); });
    writeOutput(gltf, "the glTF file", [&] {
        formats::writeGltfMesh(gltf, *object.mesh,
                               formats::surfaceOf(*object.mesh, settings.leafPoints), positions,
                               object.name);
    });
    writeOutput(svg, "the picture", [&] { formats::replaceFile(svg, svgText); });

    const std::size_t leaves = positions.size() / static_cast<std::size_t>(options.leafPoints);
    // With the mesh on standard output, the summary goes to stderr so that the OBJ text stays
    // clean.
    std::ostream &report =
        options.out == formats::standardOutput || options.svg == formats::standardOutput
            ? std::cerr
            : std::cout;
    report << "Turned " << leaves << " leaves of " << options.mesh << " (" << positions.size()
           << " points) toward " << (resolved ? resolved->name : std::string("no target")) << " at "
           << pointText(target) << " (" << settings.caption << "); wrote " << writtenFiles(options)
           << ".\n";
}

}  // namespace

void addApplyCommand(CLI::App &app, const CommandContext &context) {
    auto options = std::make_shared<ApplyOptions>();
    options->module = context.defaultModule.string();
    auto *apply = app.add_subcommand(
        "apply",
        "Turn the leaves of one OBJ or glTF mesh toward a target point and write the result.");
    apply
        ->add_option("MESH", options->mesh,
                     "the OBJ, .gltf or .glb file whose points form the leaves")
        ->required();
    apply->add_option("--target", options->target, "the target's position X,Y,Z")->required();
    apply->add_option("-o,--out", options->out,
                      "the OBJ file to write (- for standard output; missing folders are made)");
    apply->add_option("--gltf", options->gltf,
                      "the turned mesh as a glTF binary file (.glb) to write");
    apply->add_option("--leaf-points", options->leafPoints, "points per leaf")
        ->capture_default_str();
    apply->add_option("--pivot", options->pivot, pivotHelp())->capture_default_str();
    apply->add_option("--h-align", options->hAlign, "heading alignment, on or off")
        ->capture_default_str();
    apply->add_option("--p-align", options->pAlign, "pitch alignment, on or off")
        ->capture_default_str();
    apply->add_option("--svg", options->svg, "also write a before/after picture to this SVG file");
    apply->add_option("--module", options->module, "the module to load")->capture_default_str();
    addMaxPointsOption(*apply, options->maxPoints);
    apply->add_flag("--force", options->force,
                    "write outputs even where one is the same file as an input or another output");
    apply->footer(
        "The mesh and an item \"Target\" at X,Y,Z form a scene; the displacement is created on the "
        "mesh, every\n"
        "option is set through the module's options panel (the target as the \"Target object\" "
        "popup entry),\n"
        "then one frame is evaluated. The output keeps every face, group and texture coordinate "
        "and the point\n"
        "order of the input, with vertex normals recomputed for the turned mesh. A .gltf/.glb "
        "input's points are the\n"
        "POSITION values of its mesh primitives in accessor order, primitive after primitive, mesh "
        "after mesh: that\n"
        "is the order in which leaves are counted (sparse accessors, Draco and skins are refused). "
        "--gltf writes the\n"
        "turned mesh with the same point order, its faces and texture coordinates, and a "
        "double-sided material.\n"
        "Each output is written whole or not at all; if one cannot be written, the message says "
        "which were.\n"
        "Examples:\n  vistrelle apply examples/bush.obj --target 10,0,0 -o bush-turned.obj "
        "--p-align on --svg bush-turned.svg\n"
        "  vistrelle apply bush.glb --target 10,0,0 --gltf bush-turned.glb");
    apply->callback([options] { applyToMesh(*options); });
}

}  // namespace cli
