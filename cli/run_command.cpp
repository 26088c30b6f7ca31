// vistrelle run: plays a scene through the module as a host would, frame by frame, and writes every
// displaced object as an OBJ file and a before/after picture per frame, with an HTML page to play
// them. Memory does not grow with the number of frames: each frame is written and let go before the
// next.
#include "cli/commands.h"
#include "cli/max_points_option.h"

#include "cli/disk_budget.h"
#include "cli/earlier_frames.h"
#include "cli/finite_positions.h"
#include "cli/frame_outputs.h"
#include "cli/frame_span.h"
#include "cli/frame_worker_processes.h"
#include "cli/frame_workers.h"
#include "cli/module_watch.h"
#include "cli/output_folder.h"
#include "cli/output_guard.h"
#include "cli/output_names.h"
#include "cli/progress_line.h"
#include "cli/resolved_target.h"
#include "cli/run_object.h"
#include "cli/run_record.h"
#include "cli/run_views.h"
#include "cli/shown_settings.h"
#include "cli/steady_camera.h"
#include "cli/stop_signals.h"
#include "cli/test_pause.h"
#include "cli/unkept_frames.h"
#include "formats/html_index.h"
#include "formats/scene_file.h"
#include "formats/svg_picture.h"
#include "formats/text/text_file.h"
#include "hostsim/host.h"
#include "hostsim/host_error.h"

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

namespace cli {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct RunOptions {
    std::string scene;
    std::string out;
    std::string frames;  // empty: the scene's own frame range
    std::string module;
    std::int32_t every = 1;
    bool noObj = false;
    bool noSvg = false;
    bool quiet = false;
    unsigned jobs = 0;            // 0: one per core
    unsigned frameTimeout = 600;  // seconds a frame may take in the module; 0: no limit
    bool gltf = false;
    std::uint64_t maxPoints = formats::defaultMaxPoints;
    bool force = false;  // write outputs even where they are inputs
    std::string
        worker;  // on Windows, in a worker of a run: its order (cli/frame_worker_processes.h)
};

// The frames a run plays: every `step`th of the span, starting at its first.
struct PlayedFrames {
    FrameSpan span;
    std::int32_t step = 1;

    std::int64_t count() const { return (std::int64_t{span.last} - span.first) / step + 1; }
    std::int32_t at(std::int64_t k) const {
        return static_cast<std::int32_t>(span.first + k * step);
    }
};

// The scene's displaced objects, each with its mesh, file name and settings.
std::vector<RunObject> displacedObjects(hostsim::Host &host, const fs::path &scenePath) {
    std::vector<RunObject> objects;
    std::map<std::string, std::string> stems;  // stem -> object name, so that no two share files
    for (void *instance : host.displacementInstances()) {
        const auto index = host.scene().indexOf(host.objectOf(instance));
        const hostsim::Item &item = host.scene().scene().items.at(index.value());
        if (!item.mesh)
            throw hostsim::HostError::at(
                scenePath, "object \"" + item.name + "\" has a displacement but no mesh");
        RunObject object{
            instance, item.name, fileStem(item.name), &*item.mesh, showSettings(host, instance), {},
            {},       {}};
        if (const auto [clash, fresh] = stems.emplace(object.stem, item.name); !fresh)
            throw hostsim::HostError::at(scenePath, "objects \"" + clash->second + "\" and \"" +
                                                        item.name + "\" would both be written as " +
                                                        object.stem + ".*");
        objects.push_back(std::move(object));
    }
    if (objects.empty())
        throw hostsim::HostError::at(scenePath, "no displacements, so there is nothing to run");
    return objects;
}

// The scene's own frames: what every frame's files are made for, whichever frames a run plays, so
// that a frame's files are the same bytes in any run that plays it.
FrameSpan sceneSpan(const hostsim::Host &host) { return {host.frames().start, host.frames().end}; }

// Picks up the target at the first frame and, when there are pictures, frames the object and every
// place the target takes over the scene's frames.
void settleView(hostsim::Host &host, RunObject &object, double aspect, bool pictures) {
    object.target = resolvedTarget(host, object.instance);
    if (!pictures) return;
    const FrameSpan span = sceneSpan(host);
    std::vector<hostsim::Point3> targetPath;
    if (object.target)
        targetPath = pathCorners(object.target->item->motion, host.frames().timeOf(span.first),
                                 host.frames().timeOf(span.last));
    object.camera = steadyCamera(*object.mesh, targetPath, aspect);
}

// Says so on stderr when the frames asked for reach beyond the scene's own.
void warnOutsideScene(const RunOptions &options, const FrameSpan &span,
                      const hostsim::FrameRange &scene) {
    if (options.frames.empty() || (span.first >= scene.start && span.last <= scene.end)) return;
    const bool disjoint = span.last < scene.start || span.first > scene.end;
    std::cerr << "vistrelle run: warning: --frames " << options.frames
              << (disjoint ? " lies outside" : " reaches beyond") << " the scene's frames "
              << scene.start << " to " << scene.end
              << "; items hold their first or last key there\n";
}

struct RunTotals {
    std::int64_t frames = 0;
    std::int64_t points = 0;
    std::int64_t leaves = 0;     // whole leaves of all objects, one frame
    std::uintmax_t bytes = 0;    // of the OBJ files and pictures
    double seconds = 0.0;        // the whole run: reading, the module, the pictures and the files
    double moduleSeconds = 0.0;  // the frames evaluated through the module alone (see playFrames)
};

// A path as UTF-8, as the user's typed paths are.
std::string shownPath(const fs::path &path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

std::string rate(std::int64_t points, double seconds) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(0)
         << (seconds > 0.0 ? static_cast<double>(points) / seconds : 0.0);
    return text.str();
}

std::string writtenText(const FrameOutputs &outputs) {
    const OutputChoice &choice = outputs.choice();
    if (choice.obj && choice.svg) return "an OBJ file and an SVG picture";
    if (choice.obj) return "an OBJ file";
    return "an SVG picture";
}

std::string summary(const RunOptions &options, const PlayedFrames &played,
                    const std::vector<RunObject> &objects, const RunTotals &totals,
                    const FrameOutputs &outputs) {
    std::ostringstream text;
    text.precision(3);
    text << "Ran " << totals.frames << (totals.frames == 1 ? " frame" : " frames") << " ("
         << played.span.first << " to " << played.span.last;
    if (played.step > 1) text << ", every " << played.step << "th";
    text << ") of " << options.scene << " with " << options.module << ": " << objects.size()
         << (objects.size() == 1 ? " object (" : " objects (");
    for (std::size_t i = 0; i < objects.size(); ++i) text << (i ? ", " : "") << objects[i].name;
    text << "), " << totals.leaves << " leaves, " << totals.points << " points evaluated in "
         << std::fixed << totals.seconds << " s: " << rate(totals.points, totals.moduleSeconds)
         << " points/s in the module alone, " << rate(totals.points, totals.seconds)
         << " points/s for the whole run with its files. ";
    if (!outputs.choice().obj && !outputs.choice().svg && !options.gltf) {
        text << "Wrote no files (--no-obj --no-svg).\n";
        return text.str();
    }
    if (outputs.choice().obj || outputs.choice().svg)
        text << "Wrote " << writtenText(outputs) << " per frame and object ("
             << byteText(totals.bytes) << ")" << (options.gltf ? ", and" : "");
    else
        text << "Wrote";
    if (options.gltf) text << " a glTF animation (.glb) per object";
    text << " to " << options.out;
    if (outputs.choice().svg)
        text << "; open " << shownPath(typedPath(options.out) / "index.html")
             << " in a browser to see " << objects.front().name
             << " in 3D (pictures.html plays the SVG pictures)";
    text << ".\n";
    return text.str();
}

bool isPlayed(const PlayedFrames &played, std::int32_t frame) {
    return frame >= played.span.first && frame <= played.span.last &&
           (std::int64_t{frame} - played.span.first) % played.step == 0;
}

// Whether `name`, in the output folder or its viewer folder, is a file the run writes.
bool isRunOutput(const std::string &name, const std::vector<RunObject> &objects,
                 const PlayedFrames &played, int digits) {
    if (name == "index.html" || name == "pictures.html" || name == "three.js" ||
        name == runRecordName)
        return true;
    for (const RunObject &object : objects) {
        if (name.size() <= object.stem.size() + 1 || !name.starts_with(object.stem + '.')) continue;
        const std::string rest = name.substr(object.stem.size() + 1);
        if (rest == "glb" || rest == "base.js") return true;
        const std::size_t dot = rest.find('.');
        if (dot == std::string::npos) continue;
        const std::optional<std::int32_t> frame =
            labelFrame(std::string_view(rest).substr(0, dot), digits);
        if (frame && isPlayed(played, *frame)) return true;
    }
    return false;
}

// Refuses outputs of the run already in its folder that are the same file as one of its inputs or
// as another of its outputs (a link, a hard link), unless --force.
void guardOutputs(const RunOptions &options, const formats::PointBudget &read,
                  const std::vector<RunObject> &objects, const PlayedFrames &played, int digits) {
    SameFileGuard guard;
    guard.addInput(typedPath(options.scene), "the scene");
    guard.addInput(typedPath(options.module), "the module");
    guard.addInputs(read);
    for (const fs::path &folder : {typedPath(options.out), typedPath(options.out) / "viewer"}) {
        std::error_code error;
        for (fs::directory_iterator it(folder, error), end; !error && it != end;
             it.increment(error))
            if (isRunOutput(it->path().filename().string(), objects, played, digits))
                guard.checkOutput(it->path(), options.force);
    }
}

void writeIndex(const FrameOutputs &outputs, const std::vector<RunObject> &objects,
                double framesPerSecond) {
    if (outputs.choice().svg)
        formats::writeHtmlIndex(outputs.folder(), objects.front().pictures, framesPerSecond,
                                "pictures.html");
}

// What a run that stopped after `written` frames keeps.
std::string keptFrames(const PlayedFrames &played, std::int64_t written) {
    if (written == 0) return "no frame was written";
    return "frames " + std::to_string(played.span.first) + " to " +
           std::to_string(played.at(written - 1)) + " are written whole";
}

// Where a run that has written `written` frames stops, and what it keeps: " at frame 93: frames 0
// to 92 are written whole".
std::string stopPlace(const PlayedFrames &played, std::int64_t written) {
    const std::string at = written < played.count()
                               ? " at frame " + std::to_string(played.at(written))
                               : " after the last frame";
    return at + ": " + keptFrames(played, written);
}

// What a run reads before it writes anything: the scene and the frames to play, and every file
// read for them.
struct RunInputs {
    hostsim::Scene scene;
    PlayedFrames played;
    formats::PointBudget read;
};

RunInputs readInputs(const RunOptions &options) {
    if (options.every < 1)
        throw UsageError("--every " + std::to_string(options.every) +
                         ": expected a whole number of at least 1");
    formats::PointBudget budget(options.maxPoints);
    hostsim::Scene scene = formats::readSceneFile(typedPath(options.scene), budget);
    const PlayedFrames played{options.frames.empty()
                                  ? FrameSpan{scene.frames.start, scene.frames.end}
                                  : parseFrameSpan(options.frames),
                              options.every};
    if (options.worker.empty()) warnOutsideScene(options, played.span, scene.frames);
    return {std::move(scene), played, std::move(budget)};
}

bool writesFiles(const RunOptions &options, const OutputChoice &choice) {
    return choice.obj || choice.svg || options.gltf;
}

// Makes the output folder and locks it for the run, when the run writes files.
std::optional<FolderLock> claimOutputFolder(const RunOptions &options, const OutputChoice &choice) {
    if (!writesFiles(options, choice)) return std::nullopt;
    makeOutputFolder(typedPath(options.out));
    return std::optional<FolderLock>(std::in_place, typedPath(options.out));
}

// One run of a scene on a loaded module: its objects and outputs, the steps each played frame
// goes through, and the totals it reports.
class SceneRun {
  public:
    // Finds the displaced objects and refuses outputs that are inputs; writes nothing yet.
    // A worker's (on Windows) writes only its frames' OBJ files and pictures, and shows nothing.
    SceneRun(const RunOptions &options, hostsim::Host &host, const PlayedFrames &played,
             const formats::PointBudget &read, const OutputChoice &choice)
        : options_(options),
          host_(host),
          played_(played),
          objects_(displacedObjects(host, typedPath(options.scene))),
          digits_(frameDigits(sceneSpan(host))),
          outputs_(typedPath(options.out), choice, digits_),
          views_(typedPath(options.out), choice.svg && !isWorker(), options.gltf && !isWorker(),
                 host.frames().framesPerSecond) {
        if (writesFiles(options, choice) && !isWorker()) {
            guardOutputs(options, read, objects_, played, digits_);
            refuseEarlierFrames(typedPath(options.out), stems(), digits_,
                                [&](std::int32_t f) { return isPlayed(played, f); });
            removeStaleTemporaries(typedPath(options.out), stems());
            record_ = startRecord(typedPath(options.out), read, typedPath(options.module));
        }
        for (const RunObject &object : objects_)
            views_.addObject(object.name, object.stem, *object.mesh, object.settings);
        for (const RunObject &object : objects_)
            if (object.settings.leafPoints > 0)
                totals_.leaves += static_cast<std::int64_t>(object.mesh->points.size()) /
                                  object.settings.leafPoints;
        progress_.emplace(options.quiet || isWorker());
    }

#if defined(_WIN32)
    // In a worker: plays and writes the frames its order names, and ends the process.
    [[noreturn]] void serve(const WorkerOrder &order) {
        serveFrames(host_, handlers(), played_.span.first, order);
    }
#endif

    // Plays every frame, here and in workers; a stop or a full disk ends the run with its report.
    void play() {
        const unsigned jobs = options_.jobs > 0 ? options_.jobs : defaultJobs();
        // A worker started anew (on Windows) has no viewer: the frames it played get their viewer
        // scripts here.
        scriptsHere_ = !workersAreCopies && jobs > 1;
        try {
            totals_.moduleSeconds = playFrames(host_, played_.span.first, played_.span.last,
                                               played_.step, jobs, handlers());
            pauseForTest("played");
            throwIfStopped();
        } catch (const RunStopped &stop) {
            reportStop(stop);
        } catch (const formats::DiskFullError &error) {
            reportDiskFull(error);
        } catch (const WorkerEnded &ended) {
            progress_->finish();
            throw hostsim::HostError("vistrelle run: " + std::string(ended.what()) +
                                     stopPlace(played_, totals_.frames));
        } catch (const hostsim::HostError &) {
            if (pagesStale_) rewritePages();
            throw;
        }
    }

    // Writes the animations and prints the summary of a run that played all its frames.
    void finish(Clock::time_point started) {
        progress_->finish();
        std::vector<fs::path> unwritten;
        const std::vector<fs::path> written =
            views_.finish([] { return StopSignals::caught() != 0; }, &unwritten);
        if (const int signal = StopSignals::caught(); signal != 0) {
            if (options_.gltf) reportStopInGlb(signal, written, unwritten);
            reportStop(RunStopped(signal));
        }
        if (!views_.warning().empty()) std::cerr << "vistrelle run: " << views_.warning() << '\n';
        if (record_) writeRecord();
        totals_.seconds = std::chrono::duration<double>(Clock::now() - started).count();
        std::cout << summary(options_, played_, objects_, totals_, outputs_);
    }

  private:
    bool isWorker() const { return !options_.worker.empty(); }

    std::vector<std::string> stems() const {
        std::vector<std::string> names;
        for (const RunObject &object : objects_) names.push_back(object.stem);
        return names;
    }

    // The record of the files written, once they all are.
    void writeRecord() {
        RunRecord &record = *record_;
        record.obj = outputs_.choice().obj;
        record.svg = outputs_.choice().svg;
        record.every = played_.step;
        record.digits = digits_;
        views_.fillRecord(record);
        writeRunRecord(typedPath(options_.out), record);
    }

    FrameHandlers handlers() {
        FrameHandlers handlers;
        handlers.settle = [this] { settle(); };
        handlers.write = [this](std::int32_t frame,
                                const std::vector<hostsim::DisplacedObject> &displaced) {
            return writeFrame(frame, displaced);
        };
        handlers.sink = [this](std::int32_t frame,
                               const std::vector<hostsim::DisplacedObject> &displaced,
                               const WrittenFiles &files) { takeFrame(frame, displaced, files); };
        handlers.discard = [this](const std::vector<std::int32_t> &frames) {
            discardFrames(frames);
        };
        return handlers;
    }

    std::optional<hostsim::Point3> targetAt(const RunObject &object, std::int32_t frame) const {
        if (!object.target) return std::nullopt;
        return object.target->at(host_.frames().timeOf(frame));
    }

    // After the first frame: every object's target and picture framing, and the viewer's files.
    void settle() {
        for (RunObject &object : objects_)
            settleView(host_, object, layout_.panelWidth / layout_.panelHeight,
                       outputs_.choice().svg);
        if (!isWorker()) views_.start();
    }

    // Writes a frame's files in whichever process played it: all of them, or none.
    WrittenFiles writeFrame(std::int32_t frame,
                            const std::vector<hostsim::DisplacedObject> &displaced) {
        if (displaced.size() != objects_.size())
            throw hostsim::HostError::at(typedPath(options_.scene),
                                         "frame " + std::to_string(frame) + " displaced " +
                                             std::to_string(displaced.size()) +
                                             " objects, expected " +
                                             std::to_string(objects_.size()));
        for (std::size_t i = 0; i < objects_.size(); ++i)
            refuseNonFinite(typedPath(options_.module), frame, objects_[i].name,
                            displaced[i].positions);
        WrittenFiles files;
        try {
            for (std::size_t i = 0; i < objects_.size(); ++i) {
                files.add(outputs_.write(objects_[i], frame, displaced[i].positions,
                                         targetAt(objects_[i], frame)));
                if (auto script = views_.writeFrame(i, frame, frameLabel(frame, digits_),
                                                    displaced[i].positions))
                    files.paths.push_back(std::move(*script));
            }
        } catch (...) {
            removeFiles(files.paths);
            throw;
        }
        return files;
    }

    // Takes the written frames in order: the viewer, the animations, the pages and then the counts,
    // so that a frame is counted only once its files and the pages listing it are written. Should
    // any of that fail, the frame is taken out of the lists again (its files go, see playFrames),
    // and the pages are to be written anew from them.
    void takeFrame(std::int32_t frame, const std::vector<hostsim::DisplacedObject> &displaced,
                   const WrittenFiles &files) {
        std::vector<fs::path> scripts;  // the viewer's scripts of a worker's frame, written here
        bool listed = false;
        try {
            for (std::size_t i = 0; i < objects_.size(); ++i) {
                if (scriptsHere_ && frame != played_.span.first)
                    if (auto script = views_.writeFrame(i, frame, frameLabel(frame, digits_),
                                                        displaced[i].positions))
                        scripts.push_back(std::move(*script));
                views_.addFrame(i, frame, frameLabel(frame, digits_), host_.frames().timeOf(frame),
                                targetAt(objects_[i], frame), displaced[i].positions);
            }
            if (outputs_.choice().svg)
                for (RunObject &object : objects_)
                    object.pictures.push_back(outputs_.picturePath(object, frame));
            listed = true;
            // A run stopped later still leaves a playable page.
            writeIndex(outputs_, objects_, host_.frames().framesPerSecond);
        } catch (...) {
            views_.dropFrame(frame);
            if (listed && outputs_.choice().svg)
                for (RunObject &object : objects_) object.pictures.pop_back();
            removeFiles(scripts);
            pagesStale_ = true;
            throw;
        }
        for (const hostsim::DisplacedObject &object : displaced)
            totals_.points += static_cast<std::int64_t>(object.positions.size());
        totals_.bytes += files.bytes;
        if (totals_.frames == 0 && played_.count() > 1)
            if (const auto warning =
                    largeRunWarning(typedPath(options_.out), totals_.bytes, played_.count()))
                std::cerr << "vistrelle run: " << *warning << '\n';
        ++totals_.frames;
        progress_->update(totals_.frames, played_.count(), totals_.points);
        StopSignals::stopInModuleCalls(stopPlace(played_, totals_.frames));
        pauseForTest("taken", frame);
    }

    // Writes pictures.html anew from the frames taken, and the viewer's page when a frame left the
    // lists after it was written; answers what could not be written, or "".
    std::string rewritePages() {
        std::string failed;
        try {
            writeIndex(outputs_, objects_, host_.frames().framesPerSecond);
        } catch (const hostsim::HostError &) {
            failed = "pictures.html";
        }
        try {
            if (pagesStale_) views_.writePage();
        } catch (const hostsim::HostError &) {
            failed += (failed.empty() ? "" : " and ") + std::string("index.html");
        }
        pagesStale_ = false;
        return failed;
    }

    // Clears what workers ended mid-frame leave: files of frames not handed on, and temporary
    // files.
    void discardFrames(const std::vector<std::int32_t> &frames) const {
        std::vector<std::string> labels;
        for (const std::int32_t frame : frames) labels.push_back(frameLabel(frame, digits_));
        removeUnkeptFrames(typedPath(options_.out), stems(), labels);
    }

    [[noreturn]] void reportStop(const RunStopped &stop) {
        progress_->finish();
        std::cerr << "vistrelle run: "
                  << (stop.worker() ? "a worker was stopped by " : "stopped by ")
                  << signalName(stop.signal()) << stopPlace(played_, totals_.frames) << '\n';
        throw StoppedBySignal{128 + stop.signal()};
    }

    // A stop while the .glb animations are written: each is written through a temporary file, so
    // it is whole or not there at all, and the line says which.
    [[noreturn]] static void reportStopInGlb(int signal, const std::vector<fs::path> &written,
                                             const std::vector<fs::path> &unwritten) {
        const auto names = [](const std::vector<fs::path> &files) {
            std::string text;
            for (const fs::path &file : files)
                text += (text.empty() ? "" : ", ") + file.filename().string();
            return text;
        };
        std::string glb = written.empty() ? "" : "; " + names(written) + " written whole";
        if (!unwritten.empty()) glb += "; " + names(unwritten) + " not written";
        std::cerr << "vistrelle run: stopped by " << signalName(signal)
                  << " while writing the .glb animations: every frame is written whole" << glb
                  << '\n';
        throw StoppedBySignal{128 + signal};
    }

    // The frame that could not be written left no file, nor did any after it.
    [[noreturn]] void reportDiskFull(const formats::DiskFullError &error) {
        progress_->finish();
        std::string kept = keptFrames(played_, totals_.frames);
        if (const std::string failed = rewritePages(); !failed.empty())
            kept += " (" + failed + " could not be written)";
        throw hostsim::HostError(std::string(error.what()) + "; the run stopped at frame " +
                                 std::to_string(played_.at(totals_.frames)) + ": " + kept);
    }

    const RunOptions &options_;
    hostsim::Host &host_;
    const PlayedFrames played_;
    std::vector<RunObject> objects_;
    const int digits_;
    FrameOutputs outputs_;
    const formats::SvgFrame layout_;  // the picture size every frame uses
    RunTotals totals_;
    RunViews views_;
    std::optional<ProgressLine> progress_;  // from the end of the constructor on
    bool scriptsHere_ = false;              // the viewer's frame scripts of workers' frames
    std::optional<RunRecord> record_;       // begun when the run writes files
    bool pagesStale_ = false;  // a frame left the lists after the pages were rewritten with it
};

#if defined(_WIN32)
// A worker of a run on Windows, started with the run's own arguments: it reads what the run read
// and loads the module as it did, then plays the frames its order names. It takes no lock: the run
// holds the folder's.
[[noreturn]] void serveRun(const RunOptions &options) {
    const WorkerOrder order = parseWorkerOrder(options.worker);
    StopSignals::actByDefault();
    RunInputs inputs = readInputs(options);
    const ModuleWatch watch(typedPath(options.module));
    ModuleWatch::reportTo(order.fd);
    ModuleWatch::limitFrames(options.frameTimeout);
    hostsim::Host host(typedPath(options.module), std::move(inputs.scene));
    SceneRun run(options, host, inputs.played, inputs.read, {!options.noObj, !options.noSvg});
    run.serve(order);
}
#endif

void runScene(const RunOptions &options) {
#if defined(_WIN32)
    if (!options.worker.empty()) serveRun(options);
#endif
    const EmptyFoldersOnFailure cleanup;
    const auto started = Clock::now();
    RunInputs inputs = readInputs(options);
    const OutputChoice choice{!options.noObj, !options.noSvg};
    // Caught from before the folder is made, so that no stop leaves it behind.
    StopSignals::catchUntilExit();
    const std::optional<FolderLock> lock = claimOutputFolder(options, choice);
    StopSignals::stopInModuleCalls(stopPlace(inputs.played, 0));
    // Watched from the module's startup on, so that a fault in any entry is reported.
    const ModuleWatch watch(typedPath(options.module));
    ModuleWatch::limitFrames(options.frameTimeout);
    hostsim::Host host(typedPath(options.module), std::move(inputs.scene));
    SceneRun run(options, host, inputs.played, inputs.read, choice);
    run.play();
    run.finish(started);
}

}  // namespace

void addRunCommand(CLI::App &app, const CommandContext &context) {
    auto options = std::make_shared<RunOptions>();
    options->module = shownPath(context.defaultModule);
    auto *run = app.add_subcommand(
        "run",
        "Play a scene through the module frame by frame and write every displaced "
        "object as OBJ files and before/after SVG pictures.");
    run->add_option("SCENE", options->scene, "the scene file (JSON)")->required();
    run->add_option("--out", options->out,
                    "the folder to write into (made when missing, with its parents)")
        ->required();
    run->add_option("--frames", options->frames,
                    "the frames to run, A-B (default: the scene's frame range)");
    run->add_option("--every", options->every,
                    "play every Nth frame of the range only, starting at its first")
        ->capture_default_str();
    run->add_flag("--no-obj", options->noObj, "write no OBJ files");
    run->add_flag(
        "--no-svg", options->noSvg,
        "write no pictures: no SVG files, no pictures.html and no 3D viewer (index.html)");
    run->add_option("--module", options->module, "the module to load")->capture_default_str();
    addMaxPointsOption(*run, options->maxPoints);
    run->add_flag("--quiet", options->quiet,
                  "no progress line on stderr (it only shows on a terminal anyway)");
    run->add_option(
           "--jobs", options->jobs,
           "frames played and written side by side by worker processes (default: one per core); "
           "the files are the same for any number")
        ->check(CLI::Range(1u, 256u));
    run->add_option("--frame-timeout", options->frameTimeout,
                    "SECONDS a frame may take in the module before the run ends with exit 1, "
                    "naming the entry and the frame (0: no limit)")
        ->capture_default_str()
        ->check(CLI::Range(0u, 86400u));
    run->add_flag("--force", options->force,
                  "write outputs even where one is the same file as an input or another output");
    // A worker's order, given only by a run to the workers it starts (on Windows).
    run->add_option("--worker", options->worker)->group("");
    run->add_flag("--gltf", options->gltf,
                  "also write OUT/<object>.glb: the base mesh and every frame's turned points as "
                  "an animation");
    run->footer(
        "For every frame: newTime, then evaluate per point in point order for every displaced "
        "object. Writes\n"
        "OUT/<object>.<frame>.obj (the object's OBJ file with the turned points: every face, group "
        "and texture\n"
        "coordinate and the point order kept; vertex normals recomputed for the turned mesh), "
        "OUT/<object>.<frame>.svg\n"
        "(before and after, target marked, settings in the caption), OUT/pictures.html, which "
        "plays the pictures\n"
        "of the first displaced object, and OUT/index.html, a 3D viewer of that object (WebGL; "
        "open it from the\n"
        "file system, no server needed; its frames are in OUT/viewer/, three.js beside it). Both "
        "pages are\n"
        "rewritten after every frame. With --gltf, OUT/<object>.glb holds the base mesh (faces, "
        "texture\n"
        "coordinates, normals) and one morph target per frame, keyed by STEP. A mesh may be an OBJ "
        "or a glTF\n"
        "file; a glTF file's points are the POSITION values of its primitives in accessor order, "
        "primitive after\n"
        "primitive, which is the order in which leaves are counted. Frame numbers are zero-padded "
        "so that files\n"
        "sort. <object> is the object's name with every character other than letters, digits, '-', "
        "'_' and '.'\n"
        "made '_' (and no leading '.'), so files stay visible and inside OUT. Each file is written "
        "whole or not\n"
        "at all; when the disk fills, the run stops and keeps the frames written so far whole. A "
        "run that will\n"
        "write more than 2 GB, or more than the disk has free, says so after its first frame. "
#if defined(_WIN32)
        "Ctrl+C,\n"
        "Ctrl+Break or closing the console stop the run between frames: the frames written stay "
        "whole and\n"
        "contiguous, the pages list them, no temporary file stays, and it exits with 130 (Ctrl+C), "
        "149\n"
        "(Ctrl+Break) or 143 (a close). A second run into an OUT in use refuses.\n"
#else
        "Ctrl-C, SIGTERM or\n"
        "SIGHUP stop the run between frames: the frames written stay whole and contiguous, the "
        "pages list them,\n"
        "no temporary file stays, and it exits with 128 + the signal. A second run into an OUT in "
        "use refuses.\n"
#endif
        "An output that is the same file as an input or another output is refused unless --force.\n"
        "OUT/vistrelle-run.json, written after every other file, records the scene, module, "
        "settings and frames;\n"
        "vistrelle assemble puts the folders of runs over parts of the frames together from it. A "
        "frame's files\n"
        "are the same in any run that plays it. A run into a folder that holds frame files of its "
        "objects that it\n"
        "does not play refuses.\n"
#if defined(_WIN32)
        "Examples:\n  vistrelle run examples\\bush.json --out out\\demo --frames 0-11\n"
        "  vistrelle run examples\\bush.json --out out\\demo --gltf\n"
        "  vistrelle run examples\\bush.json --out out\\fast --frames 0-9999 --every 10 "
        "--no-obj\n"
        "  vistrelle run examples\\bush.json --out out\\timing --jobs 2 --no-obj --no-svg   "
        "# the frames alone, on two cores");
#else
        "Examples:\n  vistrelle run examples/bush.json --out out/demo --frames 0-11\n"
        "  vistrelle run examples/bush.json --out out/demo --gltf\n"
        "  vistrelle run examples/bush.json --out out/fast --frames 0-9999 --every 10 --no-obj\n"
        "  vistrelle run examples/bush.json --out out/timing --jobs 2 --no-obj --no-svg   # the "
        "frames alone, on two cores");
#endif
    run->callback([options] { runScene(*options); });
}

}  // namespace cli
