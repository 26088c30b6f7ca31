// vistrelle run: plays a scene through the module as a host would, frame by frame, and writes every
// displaced object as an OBJ file and a before/after picture per frame, with an HTML page to play them.
#include "cli/commands.h"

#include "cli/frame_span.h"
#include "cli/output_names.h"
#include "cli/progress_line.h"
#include "cli/resolved_target.h"
#include "cli/run_views.h"
#include "cli/shown_settings.h"
#include "cli/steady_camera.h"
#include "hostsim/host.h"
#include "hostsim/host_error.h"
#include "hostsim/html_index.h"
#include "hostsim/obj_mesh.h"
#include "hostsim/scene_file.h"
#include "hostsim/svg_picture.h"
#include "hostsim/text_file.h"

#include <chrono>
#include <iomanip>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

namespace vistrelle {
namespace {

namespace fs = std::filesystem;

struct RunOptions {
    std::string scene;
    std::string out;
    std::string frames;  // empty: the scene's own frame range
    std::string module;
    bool quiet = false;
    bool gltf = false;
};

// One displaced object of the scene and what the run keeps for it.
struct RunObject {
    void *instance = nullptr;
    std::string name;
    std::string stem;
    const hostsim::Mesh *mesh = nullptr;
    ShownSettings settings;
    std::optional<ResolvedTarget> target;   // known after the first frame
    std::optional<hostsim::Camera> camera;  // fixed at the first frame
    std::vector<fs::path> pictures;
};

// The scene's displaced objects, each with its mesh, file name and settings.
std::vector<RunObject> displacedObjects(hostsim::Host &host, const fs::path &scenePath) {
    std::vector<RunObject> objects;
    std::map<std::string, std::string> stems;  // stem -> object name, so that no two share files
    for (void *instance : host.displacementInstances()) {
        const auto index = host.scene().indexOf(host.objectOf(instance));
        const hostsim::Item &item = host.scene().scene().items.at(index.value());
        if (!item.mesh) throw hostsim::HostError::at(scenePath, "object \"" + item.name + "\" has a displacement but no mesh");
        RunObject object{instance, item.name, fileStem(item.name), &*item.mesh, showSettings(host, instance), {}, {}, {}};
        if (const auto [clash, fresh] = stems.emplace(object.stem, item.name); !fresh)
            throw hostsim::HostError::at(scenePath, "objects \"" + clash->second + "\" and \"" + item.name +
                                                        "\" would both be written as " + object.stem + ".*");
        objects.push_back(std::move(object));
    }
    if (objects.empty()) throw hostsim::HostError::at(scenePath, "no displacements, so there is nothing to run");
    return objects;
}

// Picks up the target at the first frame and frames the object and every place the target takes.
void settleView(hostsim::Host &host, RunObject &object, const FrameSpan &span, double aspect) {
    object.target = resolvedTarget(host, object.instance);
    std::vector<hostsim::Point3> targetPath;
    if (object.target)
        for (std::int64_t frame = span.first; frame <= span.last; ++frame)
            targetPath.push_back(object.target->at(host.frames().timeOf(static_cast<std::int32_t>(frame))));
    object.camera = steadyCamera(*object.mesh, targetPath, aspect);
}

struct RunTotals {
    std::int64_t frames = 0;
    std::int64_t points = 0;
    std::int64_t leaves = 0;  // whole leaves of all objects, one frame
    double seconds = 0.0;
};

std::string summary(const RunOptions &options, const FrameSpan &span, const std::vector<RunObject> &objects,
                    const RunTotals &totals) {
    std::ostringstream text;
    text.precision(3);
    text << "Ran " << totals.frames << (totals.frames == 1 ? " frame" : " frames") << " (" << span.first << " to "
         << span.last << ") of " << options.scene << " with " << options.module << ": " << objects.size()
         << (objects.size() == 1 ? " object (" : " objects (");
    for (std::size_t i = 0; i < objects.size(); ++i) text << (i ? ", " : "") << objects[i].name;
    const double perSecond = totals.seconds > 0.0 ? static_cast<double>(totals.points) / totals.seconds : 0.0;
    text << "), " << totals.leaves << " leaves, " << totals.points << " points evaluated in " << std::fixed
         << totals.seconds << " s (" << std::setprecision(0) << perSecond << " points/s). Wrote an OBJ file and an SVG "
         << "picture per frame and object" << (options.gltf ? ", and a glTF animation (.glb) per object," : "") << " to "
         << options.out << "; open " << (fs::path(options.out) / "index.html").string() << " in a browser to see "
         << objects.front().name << " in 3D (pictures.html plays the SVG pictures).\n";
    return text.str();
}

void runScene(const RunOptions &options) {
    const auto started = std::chrono::steady_clock::now();
    const fs::path scenePath = options.scene;
    const fs::path out = options.out;
    hostsim::Scene scene = hostsim::readSceneFile(scenePath);
    const FrameSpan span = options.frames.empty() ? FrameSpan{scene.frames.start, scene.frames.end}
                                                  : parseFrameSpan(options.frames);
    std::error_code error;
    fs::create_directories(out, error);
    if (error) throw hostsim::HostError::at(out, "cannot make the folder: " + error.message());

    hostsim::Host host(options.module, std::move(scene));
    std::vector<RunObject> objects = displacedObjects(host, scenePath);
    const int digits = frameDigits(span);
    const hostsim::SvgFrame layout;  // the picture size every frame uses
    RunTotals totals;
    RunViews views(out, options.gltf, host.frames().framesPerSecond);
    for (const RunObject &object : objects) views.addObject(object.name, object.stem, *object.mesh, object.settings);
    if (!views.warning().empty()) std::cerr << "vistrelle run: " << views.warning() << '\n';
    for (const RunObject &object : objects)
        if (object.settings.leafPoints > 0)
            totals.leaves += static_cast<std::int64_t>(object.mesh->points.size()) / object.settings.leafPoints;

    ProgressLine progress(options.quiet);
    for (std::int64_t frame64 = span.first; frame64 <= span.last; ++frame64) {
        const auto frame = static_cast<std::int32_t>(frame64);
        const std::vector<hostsim::DisplacedObject> displaced = host.runFrame(frame);
        if (displaced.size() != objects.size())
            throw hostsim::HostError::at(scenePath, "frame " + std::to_string(frame) + " displaced " + std::to_string(displaced.size()) +
                                                        " objects, expected " + std::to_string(objects.size()));
        for (std::size_t i = 0; i < objects.size(); ++i) {
            RunObject &object = objects[i];
            const std::vector<hostsim::Position> &positions = displaced[i].positions;
            if (!object.camera) settleView(host, object, span, layout.panelWidth / layout.panelHeight);
            const std::string base = object.stem + '.' + frameLabel(frame, digits);
            hostsim::writeObjMesh(out / (base + ".obj"), *object.mesh, positions);

            hostsim::SvgFrame picture;
            picture.base = object.mesh->points;
            picture.displaced = positions;
            picture.leafSize = object.settings.leafPoints;
            picture.pivotRule = object.settings.saved.size() > 2 ? object.settings.saved[2] : 0;
            if (object.target) {
                picture.targetName = object.target->name;
                picture.targetPosition = object.target->at(host.frames().timeOf(frame));
            }
            picture.frame = frame;
            picture.caption = object.name + ": " + object.settings.caption;
            picture.camera = object.camera;
            object.pictures.push_back(out / (base + ".svg"));
            hostsim::replaceFile(object.pictures.back(), hostsim::renderSvg(picture));
            views.addFrame(i, frame, frameLabel(frame, digits), host.frames().timeOf(frame), picture.targetPosition, positions);
            totals.points += static_cast<std::int64_t>(positions.size());
        }
        hostsim::writeHtmlIndex(out, objects.front().pictures, host.frames().framesPerSecond, "pictures.html");
        ++totals.frames;
        progress.update(totals.frames, span.count(), totals.points);
    }
    progress.finish();
    views.finish();
    totals.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::cout << summary(options, span, objects, totals);
}

}  // namespace

void addRunCommand(CLI::App &app, const CommandContext &context) {
    auto options = std::make_shared<RunOptions>();
    options->module = context.defaultModule.string();
    auto *run = app.add_subcommand("run", "Play a scene through the module frame by frame and write every displaced "
                                          "object as OBJ files and before/after SVG pictures.");
    run->add_option("SCENE", options->scene, "the scene file (JSON)")->required();
    run->add_option("--out", options->out, "the folder to write into (made when missing)")->required();
    run->add_option("--frames", options->frames, "the frames to run, A-B (default: the scene's frame range)");
    run->add_option("--module", options->module, "the module to load")->capture_default_str();
    run->add_flag("--quiet", options->quiet, "no progress line on stderr (it only shows on a terminal anyway)");
    run->add_flag("--gltf", options->gltf, "also write OUT/<object>.glb: the base mesh and every frame's turned points as an animation");
    run->footer(
        "For every frame: newTime, then evaluate per point in point order for every displaced object. Writes\n"
        "OUT/<object>.<frame>.obj (the object's OBJ file with the turned points: every face, group and texture\n"
        "coordinate and the point order kept; vertex normals recomputed for the turned mesh), OUT/<object>.<frame>.svg\n"
        "(before and after, target marked, settings in the caption), OUT/pictures.html, which plays the pictures\n"
        "of the first displaced object, and OUT/index.html, a 3D viewer of that object (WebGL; open it from the\n"
        "file system, no server needed; its frames are in OUT/viewer/, three.js beside it). Both pages are\n"
        "rewritten after every frame. With --gltf, OUT/<object>.glb holds the base mesh (faces, texture\n"
        "coordinates, normals) and one morph target per frame, keyed by STEP. A mesh may be an OBJ or a glTF\n"
        "file; a glTF file's points are the POSITION values of its primitives in accessor order, primitive after\n"
        "primitive, which is the order in which leaves are counted. Frame numbers are zero-padded so that files sort.\n"
        "Examples:\n  vistrelle run examples/bush.json --out out/demo --frames 0-11\n"
        "  vistrelle run examples/bush.json --out out/demo --gltf");
    run->callback([options] { runScene(*options); });
}

}  // namespace vistrelle
