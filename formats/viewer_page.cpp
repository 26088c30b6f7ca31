// Writing the viewer's files: three.js wrapped as a classic script, points as base64 floats in
// script files, and the page with the list of frames written so far.
#include "formats/viewer_page.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>

#include "hostsim/host_error.h"
#include "formats/text_file.h"

namespace formats {

using hostsim::HostError;
using hostsim::Mesh;
using hostsim::Point3;
namespace fs = std::filesystem;

namespace {

constexpr const char *dataFolder = "viewer";

// The floats' bytes (little-endian, as every browser's typed arrays here) in base64.
std::string base64Floats(std::span<const float> values) {
    static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::vector<unsigned char> bytes(values.size_bytes());
    if (!bytes.empty()) std::memcpy(bytes.data(), values.data(), bytes.size());
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned value = (unsigned{bytes[i]} << 16) | (unsigned{bytes[i + 1]} << 8) | bytes[i + 2];
        for (int shift : {18, 12, 6, 0}) out += alphabet[(value >> shift) & 63];
    }
    if (i < bytes.size()) {
        const bool two = i + 1 < bytes.size();
        const unsigned value = (unsigned{bytes[i]} << 16) | (two ? unsigned{bytes[i + 1]} << 8 : 0u);
        out += alphabet[(value >> 18) & 63];
        out += alphabet[(value >> 12) & 63];
        out += two ? alphabet[(value >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

// A script file that hands the data to the page: vistrelleData(<json head>, "<base64>").
std::string dataScript(const nlohmann::json &head, std::span<const float> values) {
    return "vistrelleData(" + head.dump() + ",\"" + base64Floats(values) + "\");\n";
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
                  " (scripts/setup installs it, or set VISTRELLE_THREE to three's build/three.cjs); the 3D viewer page will say so";
        return "window.THREE = undefined;\n";
    }
    // three's CommonJS build assigns to `exports`; in a function of its own it becomes window.THREE.
    return "(function (exports) {\n" + text.str() + "\n})(window.THREE = {});\n";
}

}  // namespace

ViewerWriter::ViewerWriter(fs::path dir, const Mesh &base, ViewerObject object, const fs::path &threeSource)
    : dir_(std::move(dir)), object_(std::move(object)), points_(base.points.size()) {
    std::error_code error;
    fs::create_directories(dir_ / dataFolder, error);
    if (error) throw HostError::at(dir_ / dataFolder, "cannot make the folder: " + error.message());
    replaceFile(dir_ / "three.js", threeScript(threeSource, warning_));
    std::vector<float> values;
    values.reserve(base.points.size() * 3);
    for (const auto &p : base.points) values.insert(values.end(), p.begin(), p.end());
    replaceFile(dir_ / dataFolder / (object_.stem + ".base.js"), dataScript({{"kind", "base"}}, values));
    writePage();
}

void ViewerWriter::addFrame(std::int32_t frame, const std::string &label, std::optional<Point3> target,
                            std::span<const hostsim::Position> positions) {
    if (positions.size() != points_)
        throw HostError("viewer: " + std::to_string(positions.size()) + " turned points for a mesh of " + std::to_string(points_));
    std::vector<float> values;
    values.reserve(positions.size() * 3);
    for (const auto &p : positions)
        for (double c : p) values.push_back(static_cast<float>(c));
    const std::string file = std::string(dataFolder) + "/" + object_.stem + "." + label + ".js";
    replaceFile(dir_ / file, dataScript({{"kind", "frame"}, {"frame", frame}}, values));
    frames_.push_back({frame, file, target});
    writePage();
}

void ViewerWriter::writePage() const {
    nlohmann::json frames = nlohmann::json::array();
    for (const FrameEntry &entry : frames_)
        frames.push_back({{"frame", entry.frame}, {"file", entry.file}, {"target", pointJson(entry.target)}});
    const double fps = std::isfinite(object_.framesPerSecond) && object_.framesPerSecond > 0.0 ? object_.framesPerSecond : 24.0;
    const nlohmann::json setup = {
        {"name", object_.name},
        {"caption", object_.caption},
        {"points", points_},
        {"leafPoints", object_.leafPoints},
        {"pivotRule", object_.pivotRule},
        {"framesPerSecond", fps},
        {"base", std::string(dataFolder) + "/" + object_.stem + ".base.js"},
        {"frames", frames},
    };
    // The JSON is escaped so that no "</script>" or "<!--" can end the script element early.
    std::string json = setup.dump(-1, ' ', true);
    std::string safe;
    for (char c : json) safe += c == '<' ? std::string("\\u003c") : std::string(1, c);
    replaceFile(dir_ / "index.html", viewerPageText("const viewerSetup = " + safe + ";\n"));
}

}  // namespace formats
