// Writing the viewer's files: three.js wrapped as a classic script, points as base64 floats in
// script files, and the page with the list of frames written so far.
#include "formats/viewer_page.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string_view>
#include <system_error>

#include "formats/text/base64.h"
#include "formats/text/chunked_text.h"
#include "formats/text/text_file.h"
#include "hostsim/host_error.h"

namespace formats {

using hostsim::HostError;
using hostsim::Mesh;
using hostsim::Point3;
namespace fs = std::filesystem;

namespace {

constexpr const char *dataFolder = "viewer";

// The bytes of a point's three floats: a whole number of base64 groups, so that points can be
// encoded a block at a time.
constexpr std::size_t pointBytes = sizeof(std::array<float, 3>);
static_assert(pointBytes == 12);

// Writes a script file that hands data to the page, vistrelleData(<json head>,"<base64>");, to
// `file`, the data's base64 text made by `encode` into the chunks of `out`: the file is written a
// chunk at a time, never held whole (a large write is costlier to the kernel than its chunks).
void writeDataScript(const fs::path &file, const nlohmann::json &head,
                     const std::function<void(ChunkedText &)> &encode) {
    replaceFileWith(file, [&](const TextSink &sink) {
        ChunkedText out(sink);
        out.put("vistrelleData(" + head.dump() + ",\"");
        encode(out);
        out.put("\");\n");
        out.finish();
    });
}

// A block of points: 1024 points of three floats, a whole number of base64 groups.
constexpr std::size_t blockPoints = 1024;

// Adds the base64 text of the bytes, a block at a time.
void putBase64(ChunkedText &out, std::span<const std::byte> bytes) {
    constexpr std::size_t block = blockPoints * pointBytes;
    for (std::size_t first = 0; first < bytes.size(); first += block) {
        const auto part = bytes.subspan(first, std::min(block, bytes.size() - first));
        out.take(writeBase64(out.room(base64Size(part.size())), part));
    }
}

// Adds the points, each coordinate rounded to float, as base64 of the floats' bytes
// (little-endian, as every browser's typed arrays here). A block of points at a time is rounded
// into a small array.
void putPointsBase64(ChunkedText &out, std::span<const hostsim::Position> positions) {
    std::array<std::array<float, 3>, blockPoints> block;
    for (std::size_t first = 0; first < positions.size(); first += blockPoints) {
        const auto part = positions.subspan(first, std::min(blockPoints, positions.size() - first));
        for (std::size_t i = 0; i < part.size(); ++i)
            block[i] = {static_cast<float>(part[i][0]), static_cast<float>(part[i][1]),
                        static_cast<float>(part[i][2])};
        putBase64(out, std::as_bytes(std::span(block).first(part.size())));
    }
}

nlohmann::json pointJson(const std::optional<Point3> &p) {
    if (!p || !std::isfinite(p->x) || !std::isfinite(p->y) || !std::isfinite(p->z)) return nullptr;
    return nlohmann::json::array({p->x, p->y, p->z});
}

std::string threeScript(const fs::path &source, std::string &warning) {
    std::ifstream in(source, std::ios::binary);
    std::ostringstream text;
    if (in) text << in.rdbuf();
    if (!in || text.str().empty()) {
        warning = "three.js was not found at " + source.string() +
                  " (scripts/setup installs it, or set VISTRELLE_THREE to three's "
                  "build/three.cjs); the 3D viewer page will say so";
        return "window.THREE = undefined;\n";
    }
    // three's CommonJS build assigns to `exports`; in a function of its own it becomes
    // window.THREE.
    return "(function (exports) {\n" + text.str() + "\n})(window.THREE = {});\n";
}

}  // namespace

ViewerWriter::ViewerWriter(fs::path dir, const Mesh &base, ViewerObject object,
                           const fs::path &threeSource)
    : dir_(std::move(dir)), object_(std::move(object)), points_(base.points.size()) {
    std::error_code error;
    fs::create_directories(dir_ / dataFolder, error);
    if (error) throw HostError::at(dir_ / dataFolder, "cannot make the folder: " + error.message());
    replaceFile(dir_ / "three.js", threeScript(threeSource, warning_));
    writeDataScript(
        dir_ / dataFolder / (object_.stem + ".base.js"), {{"kind", "base"}},
        [&base](ChunkedText &out) { putBase64(out, std::as_bytes(std::span(base.points))); });
    writePage();
}

void ViewerWriter::addFrame(std::int32_t frame, const std::string &label,
                            std::optional<Point3> target,
                            std::span<const hostsim::Position> positions) {
    writeFrameScript(frame, label, positions);
    listFrame(frame, label, target);
}

namespace {

std::string frameScriptName(const ViewerObject &object, const std::string &label) {
    return std::string(dataFolder) + "/" + object.stem + "." + label + ".js";
}

}  // namespace

fs::path ViewerWriter::writeFrameScript(std::int32_t frame, const std::string &label,
                                        std::span<const hostsim::Position> positions) {
    if (positions.size() != points_)
        throw HostError("viewer: " + std::to_string(positions.size()) +
                        " turned points for a mesh of " + std::to_string(points_));
    const fs::path file = dir_ / frameScriptName(object_, label);
    writeDataScript(file, {{"kind", "frame"}, {"frame", frame}},
                    [positions](ChunkedText &out) { putPointsBase64(out, positions); });
    return file;
}

void ViewerWriter::listFrame(std::int32_t frame, const std::string &label,
                             std::optional<Point3> target) {
    frames_.push_back({frame, label, target});
    writePage();
}

void ViewerWriter::writePage() const { writeViewerPage(dir_, object_, points_, frames_); }

void ViewerWriter::unlistFrame(std::int32_t frame) {
    if (!frames_.empty() && frames_.back().frame == frame) frames_.pop_back();
}

void writeViewerPage(const fs::path &dir, const ViewerObject &object, std::size_t points,
                     std::span<const ViewerFrame> shown) {
    nlohmann::json frames = nlohmann::json::array();
    for (const ViewerFrame &entry : shown)
        frames.push_back({{"frame", entry.frame},
                          {"file", frameScriptName(object, entry.label)},
                          {"target", pointJson(entry.target)}});
    const double fps = std::isfinite(object.framesPerSecond) && object.framesPerSecond > 0.0
                           ? object.framesPerSecond
                           : 24.0;
    const nlohmann::json setup = {
        {"name", object.name},
        {"caption", object.caption},
        {"points", points},
        {"leafPoints", object.leafPoints},
        {"pivotRule", object.pivotRule},
        {"framesPerSecond", fps},
        {"base", std::string(dataFolder) + "/" + object.stem + ".base.js"},
        {"frames", frames},
    };
    // The JSON is escaped so that no "</script>" or "<!--" can end the script element early.
    std::string json = setup.dump(-1, ' ', true);
    std::string safe;
    for (char c : json) safe += c == '<' ? std::string("\\u003c") : std::string(1, c);
    replaceFile(dir / "index.html", viewerPageText("const viewerSetup = " + safe + ";\n"));
}

}  // namespace formats
