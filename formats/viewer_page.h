// The 3D viewer of a run: OUT/index.html with three.js beside it (OUT/three.js) and the object's
// points as script files under OUT/viewer/, one for the base mesh and one per frame. It opens from
// the file system with no server: every file is a classic script the page adds when it needs it, so
// browsers that refuse to fetch file:// URLs still load it. The page is rewritten after every
// frame, so a run that stops early leaves a page that plays the frames written so far.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "hostsim/scene.h"

namespace formats {

using hostsim::Mesh;
using hostsim::Point3;

struct ViewerObject {
    std::string name;
    std::string stem;            // file name stem of the object's script files
    std::string caption;         // the settings, one line
    int leafPoints = 0;          // as the displacement's settings give it
    std::int32_t pivotRule = 0;  // the pivotType of the settings
    double framesPerSecond = 24.0;
};

// A frame the page lists: its number, its zero-padded label (in its script's name) and where the
// target is.
struct ViewerFrame {
    std::int32_t frame;
    std::string label;
    std::optional<Point3> target;
};

// Writes DIR/index.html, the page of `object` (of `points` points) listing `frames`, whose scripts
// are in DIR/viewer/. ViewerWriter writes it this way after every frame. Throws HostError when it
// cannot.
void writeViewerPage(const std::filesystem::path &dir, const ViewerObject &object,
                     std::size_t points, std::span<const ViewerFrame> frames);

class ViewerWriter {
  public:
    // Writes OUT/three.js from `threeSource` (three's CommonJS build, wrapped so that a classic
    // script defines window.THREE) and the base mesh's script. When threeSource is missing the page
    // says how to get it; warning() tells the same. Throws HostError when a file cannot be written.
    ViewerWriter(std::filesystem::path dir, const Mesh &base, ViewerObject object,
                 const std::filesystem::path &threeSource);

    // Writes the frame's script (`label` is its zero-padded number for the file name) and rewrites
    // index.html to list it. Throws HostError when a file cannot be written.
    void addFrame(std::int32_t frame, const std::string &label, std::optional<Point3> target,
                  std::span<const hostsim::Position> positions);

    // addFrame in two steps, so that a frame's script can be written by another process (a copy of
    // this writer) while the page is kept here: writeFrameScript answers the file it wrote, and
    // listFrame rewrites index.html with the frame added once its script is there.
    std::filesystem::path writeFrameScript(std::int32_t frame, const std::string &label,
                                           std::span<const hostsim::Position> positions);
    void listFrame(std::int32_t frame, const std::string &label, std::optional<Point3> target);
    // Takes the frame out of the list again when it is the last one listed, without writing the
    // page, so that a frame whose files are removed after all is not listed the next time it is.
    void unlistFrame(std::int32_t frame);
    // Rewrites index.html from the frames listed. Throws HostError when it cannot be written.
    void writePage() const;

    // Empty, or one line saying why the page will not show the object.
    const std::string &warning() const { return warning_; }

  private:
    std::filesystem::path dir_;
    ViewerObject object_;
    std::size_t points_;
    std::vector<ViewerFrame> frames_;
    std::string warning_;
};

// The page: web/viewer/index.html with its style and script inlined and `setup` (a script that
// defines the constant viewerSetup) placed ahead of the script. Made at build time from the web
// files.
std::string viewerPageText(const std::string &setup);

}  // namespace formats
