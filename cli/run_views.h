// What a run writes besides OBJ files and SVG pictures: the 3D viewer page of the first displaced
// object, rewritten after every frame, and with --gltf one .glb animation per displaced object.
#pragma once

#include "cli/run_record.h"
#include "cli/shown_settings.h"
#include "formats/gltf_writer.h"
#include "formats/viewer_page.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace cli {

class RunViews {
  public:
    // `viewer`: write the viewer page; `gltf`: write a .glb per object.
    RunViews(std::filesystem::path out, bool viewer, bool gltf, double framesPerSecond);

    // Objects in the run's order; the first one is shown by the viewer. The mesh must outlive this.
    void addObject(const std::string &name, const std::string &stem, const hostsim::Mesh &mesh,
                   const ShownSettings &settings);

    // Makes the viewer's page and files, at the first frame, so that a run that cannot write them
    // stops at that frame like any other output. Call after the objects are added.
    void start();

    // Writes what one object's turned points at one frame need in files of their own (the viewer's
    // script of the frame), here or in a copy of this process; answers the file written, if any.
    std::optional<std::filesystem::path> writeFrame(std::size_t object, std::int32_t frame,
                                                    const std::string &label,
                                                    std::span<const hostsim::Position> positions);

    // One object's turned points at one frame, once writeFrame has written them.
    void addFrame(std::size_t object, std::int32_t frame, const std::string &label, double seconds,
                  std::optional<hostsim::Point3> target,
                  std::span<const hostsim::Position> positions);

    // Takes a frame out of the viewer's list again, if it is the last one there, without writing
    // the page: its files could not all be written. The run ends then, without the .glb files.
    void dropFrame(std::int32_t frame);

    // Writes the viewer's page anew from the frames listed, if there is a viewer.
    void writePage() const;

    // Writes the .glb files; returns their paths.
    // `stopped` is asked before each file: once it answers true, no further file is begun. The
    // files written, each whole; `unwritten` gets the ones left out.
    std::vector<std::filesystem::path> finish(
        const std::function<bool()> &stopped = {},
        std::vector<std::filesystem::path> *unwritten = nullptr);

    // Puts into the run's record what it knows: the frames added (with the first object's target),
    // the objects with their .glb layouts once finish wrote them, what the page shows.
    void fillRecord(RunRecord &record) const;

    // Why the viewer will not show the object, or empty; known once a frame was added.
    std::string warning() const { return viewer_ ? viewer_->warning() : std::string(); }

  private:
    std::filesystem::path out_;
    bool viewerWanted_;
    bool gltf_;
    double framesPerSecond_;
    std::unique_ptr<formats::ViewerWriter> viewer_;  // made by start
    std::function<std::unique_ptr<formats::ViewerWriter>()> makeViewer_;
    std::vector<std::pair<std::string, std::unique_ptr<formats::GltfAnimationWriter>>>
        animations_;   // stem, writer
    RunRecord shown_;  // the objects and what the page shows of the first
    std::vector<RecordedFrame> recorded_;
    std::vector<formats::GlbAnimationLayout> layouts_;
};

// three's build/three.cjs: $VISTRELLE_THREE when set, else share/vistrelle/three.cjs beside the
// command.
std::filesystem::path threeSource();

}  // namespace cli
