// vistrelle assemble: one output folder from the folders of runs over parts of a scene's frames
// (on the machines of a farm, say), byte for byte what one run of all those frames writes. No
// frame is played again: the frame files are copied, the pages made from the runs' records, and
// each .glb animation made from the base mesh and the frames' offsets in the runs' own .glb files.
#include "cli/commands.h"

#include "cli/chunk_files.h"
#include "cli/earlier_frames.h"
#include "cli/output_folder.h"
#include "cli/output_guard.h"
#include "cli/output_names.h"
#include "cli/run_record.h"
#include "formats/gltf_writer.h"
#include "formats/html_index.h"
#include "formats/viewer_page.h"
#include "hostsim/host_error.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iostream>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <system_error>
#include <vector>

namespace cli {
namespace {

namespace fs = std::filesystem;
using hostsim::HostError;

struct AssembleOptions {
    std::string out;
    std::vector<std::string> chunks;
};

// A run's folder and its record.
struct Chunk {
    fs::path folder;
    RunRecord record;
};

// Where a frame comes from: the chunk and its place among that chunk's frames.
struct FrameSource {
    std::size_t chunk = 0;
    std::size_t index = 0;
};

// What differs between two records' making, in words, or empty.
std::string makingDifference(const RunRecord &a, const RunRecord &b) {
    if (a.scene != b.scene) return "another scene (its scene or mesh files differ)";
    if (a.module != b.module) return "another module build";
    if (a.obj != b.obj || a.svg != b.svg || a.gltf != b.gltf || a.every != b.every)
        return "other settings (--no-obj, --no-svg, --gltf or --every)";
    if (!a.sameMaking(b)) return "other objects or settings";
    return {};
}

class Assembly {
  public:
    Assembly(const AssembleOptions &options) : out_(typedPath(options.out)) {
        for (const std::string &typed : options.chunks) {
            const fs::path folder = typedPath(typed);
            requirePlain(folder, true);
            std::error_code error;
            if (fs::exists(out_, error) && fs::equivalent(folder, out_, error))
                throw HostError::at(out_, "is also a folder to assemble; name another output");
            chunks_.push_back({folder, readRunRecord(folder)});
        }
        const RunRecord &first = chunks_.front().record;
        for (const Chunk &chunk : chunks_)
            if (const std::string difference = makingDifference(first, chunk.record);
                !difference.empty())
                throw HostError::at(chunk.folder, "was made from " + difference + " than " +
                                                      chunks_.front().folder.string());
        plan();
        checkFiles();
    }

    // Writes every file into the output folder, under its lock; the record last.
    void write() {
        makeOutputFolder(out_);
        const FolderLock lock(out_);
        removeRunRecord(out_);
        const RunRecord &first = chunks_.front().record;
        std::vector<std::string> stems;
        for (const RecordedObject &object : first.objects) stems.push_back(object.stem);
        refuseEarlierFrames(out_, stems, first.digits,
                            [this](std::int32_t frame) { return sources_.contains(frame); });
        if (first.svg) {
            std::error_code error;
            fs::create_directories(out_ / "viewer", error);
            if (error) throw HostError::at(out_ / "viewer", "cannot make it: " + error.message());
        }
        for (const auto &[frame, source] : sources_) copyFrame(frame, source);
        if (first.svg) writePages();
        if (first.gltf)
            for (std::size_t object = 0; object < first.objects.size(); ++object)
                writeAnimation(object);
        RunRecord record = first;
        record.frames.clear();
        for (const auto &[frame, source] : sources_)
            record.frames.push_back(chunks_[source.chunk].record.frames[source.index]);
        writeRunRecord(out_, record);
        std::cout << "Assembled " << sources_.size() << " frames (" << sources_.begin()->first
                  << " to " << sources_.rbegin()->first << ") of " << chunks_.size()
                  << (chunks_.size() == 1 ? " run" : " runs") << " into " << out_.string()
                  << ", as one run of them writes it.\n";
    }

  private:
    const RunRecord &record() const { return chunks_.front().record; }

    // The files a frame has in a run's folder, relative to it.
    std::vector<fs::path> frameFiles(std::int32_t frame) const {
        std::vector<fs::path> files;
        const std::string label = frameLabel(frame, record().digits);
        for (std::size_t i = 0; i < record().objects.size(); ++i) {
            const std::string &stem = record().objects[i].stem;
            if (record().obj) files.emplace_back(stem + '.' + label + ".obj");
            if (record().svg) files.emplace_back(stem + '.' + label + ".svg");
            if (record().svg && i == 0)
                files.push_back(fs::path("viewer") / (stem + '.' + label + ".js"));
        }
        return files;
    }

    // Picks each frame's chunk; refuses overlaps that disagree and gaps.
    void plan() {
        for (std::size_t c = 0; c < chunks_.size(); ++c) {
            const std::vector<RecordedFrame> &frames = chunks_[c].record.frames;
            for (std::size_t i = 0; i < frames.size(); ++i) {
                const auto [at, fresh] = sources_.emplace(frames[i].frame, FrameSource{c, i});
                if (!fresh) checkOverlap(frames[i].frame, at->second, {c, i});
            }
        }
        std::int32_t previous = sources_.begin()->first;
        for (const auto &[frame, source] : sources_) {
            if (frame != previous && std::int64_t{frame} - previous != record().every)
                throw HostError::at(
                    chunks_[source.chunk].folder,
                    "frames " + std::to_string(previous) + " and " + std::to_string(frame) +
                        " follow each other in the runs, but " +
                        (record().every > 1
                             ? "the runs play every " + std::to_string(record().every) +
                                   " frames: a gap, or runs whose --every starts elsewhere"
                             : "frames between them are in none: a gap"));
            previous = frame;
        }
    }

    // Every file to be taken is there and plain, and every .glb of the layout its record gives,
    // before anything is written: a damaged run is refused with OUT as it was.
    void checkFiles() const {
        if (record()
                .svg)  // the viewer's scripts are taken from it: no link out of the run's folder
            for (const Chunk &chunk : chunks_) requirePlain(chunk.folder / "viewer", true);
        for (const auto &[frame, source] : sources_)
            for (const fs::path &file : frameFiles(frame))
                requirePlain(chunks_[source.chunk].folder / file);
        if (record().svg) {
            requirePlain(chunks_.front().folder / "three.js");
            requirePlain(chunks_.front().folder / "viewer" /
                         (record().objects.front().stem + ".base.js"));
        }
        if (record().gltf)
            for (std::size_t chunk = 0; chunk < chunks_.size(); ++chunk)
                for (std::size_t object = 0; object < record().objects.size(); ++object)
                    openGlb(chunk, object);
    }

    // A frame in two chunks must be the same there: its record and every file.
    void checkOverlap(std::int32_t frame, const FrameSource &kept, const FrameSource &other) {
        const Chunk &a = chunks_[kept.chunk];
        const Chunk &b = chunks_[other.chunk];
        const RecordedFrame &x = a.record.frames[kept.index];
        const RecordedFrame &y = b.record.frames[other.index];
        bool same = x.seconds == y.seconds && x.target == y.target;
        for (const fs::path &file : frameFiles(frame))
            same = same && sameRunFiles(a.folder / file, b.folder / file);
        if (record().gltf)
            for (std::size_t object = 0; same && object < record().objects.size(); ++object)
                same = sameOffsets(object, kept, other);
        if (!same)
            throw HostError::at(b.folder, "frame " + std::to_string(frame) + " is also in " +
                                              a.folder.string() + " and differs there");
    }

    formats::GlbAnimationParts openGlb(std::size_t chunk, std::size_t object) const {
        formats::GlbAnimationLayout layout = record().objects[object].glb;
        layout.frames = chunks_[chunk].record.frames.size();
        return {chunks_[chunk].folder / (record().objects[object].stem + ".glb"), layout};
    }

    bool sameOffsets(std::size_t object, const FrameSource &a, const FrameSource &b) const {
        formats::GlbAnimationParts one = openGlb(a.chunk, object), two = openGlb(b.chunk, object);
        const std::uint64_t points = record().objects[object].glb.points;
        std::vector<std::array<float, 3>> x(blockPoints), y(blockPoints);
        for (std::uint64_t first = 0; first < points; first += blockPoints) {
            const std::size_t count =
                static_cast<std::size_t>(std::min<std::uint64_t>(blockPoints, points - first));
            one.readOffsets(a.index, first, {x.data(), count});
            two.readOffsets(b.index, first, {y.data(), count});
            if (std::memcmp(x.data(), y.data(), count * sizeof x[0]) != 0) return false;
        }
        return true;
    }

    void copyFrame(std::int32_t frame, const FrameSource &source) const {
        for (const fs::path &file : frameFiles(frame))
            copyRunFile(chunks_[source.chunk].folder / file, out_ / file);
    }

    void writePages() const {
        const Chunk &first = chunks_.front();
        const RecordedObject &shown = record().objects.front();
        copyRunFile(first.folder / "three.js", out_ / "three.js");
        const fs::path base = fs::path("viewer") / (shown.stem + ".base.js");
        copyRunFile(first.folder / base, out_ / base);
        std::vector<formats::ViewerFrame> frames;
        std::vector<fs::path> pictures;
        for (const auto &[frame, source] : sources_) {
            const std::string label = frameLabel(frame, record().digits);
            frames.push_back(
                {frame, label, chunks_[source.chunk].record.frames[source.index].target});
            pictures.push_back(out_ / (shown.stem + '.' + label + ".svg"));
        }
        const formats::ViewerObject object{shown.name,         shown.stem,
                                           record().caption,   record().leafPoints,
                                           record().pivotRule, record().framesPerSecond};
        formats::writeViewerPage(out_, object, static_cast<std::size_t>(shown.glb.points), frames);
        formats::writeHtmlIndex(out_, pictures, record().framesPerSecond, "pictures.html");
    }

    // The object's .glb: the base mesh of the first chunk's, each frame's offsets from its own.
    void writeAnimation(std::size_t object) const {
        const RecordedObject &recorded = record().objects[object];
        formats::GlbAnimationParts base = openGlb(0, object);
        const hostsim::Mesh mesh = base.baseMesh();
        const fs::path file = out_ / (recorded.stem + ".glb");
        formats::GltfAnimationWriter writer(mesh, base.surface(), recorded.name, file);
        std::unique_ptr<formats::GlbAnimationParts> open;
        std::size_t openChunk = 0;
        for (const auto &[frame, source] : sources_) {
            if (!open || openChunk != source.chunk) {
                open = std::make_unique<formats::GlbAnimationParts>(openGlb(source.chunk, object));
                openChunk = source.chunk;
            }
            const std::size_t index = source.index;
            std::uint64_t first = 0;
            writer.addOffsets(frame, chunks_[source.chunk].record.frames[index].seconds,
                              [&](std::span<std::array<float, 3>> into) {
                                  open->readOffsets(index, first, into);
                                  first += into.size();
                              });
        }
        writer.write(file);
    }

    static constexpr std::size_t blockPoints = 1 << 14;
    fs::path out_;
    std::vector<Chunk> chunks_;
    std::map<std::int32_t, FrameSource> sources_;
};

}  // namespace

void addAssembleCommand(CLI::App &app, const CommandContext &) {
    auto options = std::make_shared<AssembleOptions>();
    auto *assemble = app.add_subcommand(
        "assemble",
        "Put the folders of runs over parts of a scene's frames together into one folder, as one "
        "run of all those frames writes it, without playing any frame again.");
    assemble->add_option("OUT", options->out, "the folder to write into (made when missing)")
        ->required();
    assemble->add_option("RUN", options->chunks, "the folders of the runs, in any order")
        ->required();
    assemble->footer(
        "Each RUN is a folder a whole `vistrelle run` wrote (its record vistrelle-run.json is "
        "written last, so a\n"
        "run that stopped has none). Copies every frame's files, makes index.html, pictures.html "
        "and, for runs\n"
        "with --gltf, each <object>.glb from the base mesh and the frames' offsets of the runs' "
        "own .glb files:\n"
        "OUT then holds the same bytes as one run of those frames. Refuses, in one line, runs of "
        "another scene\n"
        "(scene or mesh files), module build or settings, a gap between the frames, a frame in "
        "two runs that\n"
        "differs, and a damaged record. Every file is written whole; OUT is locked as a run "
        "locks it.\n"
        "Examples:\n"
        "  vistrelle run examples/bush.json --out part0 --frames 0-23 --gltf\n"
        "  vistrelle run examples/bush.json --out part1 --frames 24-47 --gltf\n"
        "  vistrelle assemble out/demo part0 part1");
    assemble->callback([options] {
        const EmptyFoldersOnFailure cleanup;
        Assembly assembly(*options);
        assembly.write();
    });
}

}  // namespace cli
