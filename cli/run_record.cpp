// Writing and reading the run record; the reader treats the file as hostile input.
#include "cli/run_record.h"

#include "cli/output_names.h"
#include "formats/json_depth.h"
#include "formats/point_budget.h"
#include "formats/text/json_node.h"
#include "formats/text/text_file.h"
#include "hostsim/host_error.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <system_error>
#include <vector>

namespace cli {

namespace fs = std::filesystem;
using hostsim::HostError;

namespace {

constexpr const char *recordKind = "vistrelle run record 1";
// Room for some 600,000 frames (about 100 bytes each); parsed, a record takes some 20 times its
// size.
constexpr std::uint64_t mostRecordBytes = std::uint64_t{64} << 20;

nlohmann::json pointJson(const std::optional<hostsim::Point3> &p) {
    if (!p || !std::isfinite(p->x) || !std::isfinite(p->y) || !std::isfinite(p->z)) return nullptr;
    return nlohmann::json::array({p->x, p->y, p->z});
}

std::uint64_t count(const formats::JsonNode &node) {
    return static_cast<std::uint64_t>(node.integer(0, std::int64_t{1} << 32));
}

bool flag(const formats::JsonNode &node) {
    if (!node.value().is_boolean()) node.fail("expected true or false");
    return node.value().get<bool>();
}

double finite(const formats::JsonNode &node) {
    const double value = node.number();
    if (!std::isfinite(value)) node.fail("expected a finite number");
    return value;
}

RecordedObject readObject(const formats::JsonNode &node) {
    node.allowOnly({"name", "stem", "points", "corners", "texcoords"});
    RecordedObject object;
    object.name = node.member("name").text();
    object.stem = node.member("stem").text();
    // The stem makes the object's file names: only one the run itself would make is taken, so
    // that no name leads out of the folder.
    if (object.stem != fileStem(object.name))
        node.member("stem").fail("not the file stem of the object's name");
    object.glb.points = count(node.member("points"));
    object.glb.corners = count(node.member("corners"));
    object.glb.texcoords = flag(node.member("texcoords"));
    return object;
}

RecordedFrame readFrame(const formats::JsonNode &node) {
    node.allowOnly({"frame", "seconds", "target"});
    RecordedFrame frame;
    frame.frame = node.member("frame").int32();
    frame.seconds = finite(node.member("seconds"));
    const formats::JsonNode target = node.member("target");
    if (!target.value().is_null()) {
        const std::vector<formats::JsonNode> xyz = target.elements();
        if (xyz.size() != 3) target.fail("expected null or [x, y, z]");
        frame.target = hostsim::Point3{finite(xyz[0]), finite(xyz[1]), finite(xyz[2])};
    }
    return frame;
}

}  // namespace

bool RunRecord::sameMaking(const RunRecord &other) const {
    const auto objectsEqual = [](const RecordedObject &a, const RecordedObject &b) {
        return a.name == b.name && a.stem == b.stem && a.glb.points == b.glb.points &&
               a.glb.corners == b.glb.corners && a.glb.texcoords == b.glb.texcoords;
    };
    return scene == other.scene && module == other.module && obj == other.obj && svg == other.svg &&
           gltf == other.gltf && every == other.every && framesPerSecond == other.framesPerSecond &&
           digits == other.digits && caption == other.caption && leafPoints == other.leafPoints &&
           pivotRule == other.pivotRule && objects.size() == other.objects.size() &&
           std::equal(objects.begin(), objects.end(), other.objects.begin(), objectsEqual);
}

std::string filesHash(const std::vector<fs::path> &files) {
    std::uint64_t hash = 0xcbf29ce484222325u;  // FNV-1a, over every byte of every file in turn
    std::vector<char> block(1 << 16);
    for (const fs::path &file : files) {
        // A file named but not there (a glTF image no reader needs) counts as its end alone.
        std::error_code error;
        if (fs::exists(file, error)) {
            formats::InputFile in(file);
            for (std::size_t got; (got = in.read(block.data(), block.size())) != 0;)
                for (std::size_t i = 0; i < got; ++i) {
                    hash ^= static_cast<unsigned char>(block[i]);
                    hash *= 0x100000001b3u;
                }
        }
        hash ^= 0xff;  // a file's end, so that bytes moved from one file to the next count
        hash *= 0x100000001b3u;
    }
    static const char hex[] = "0123456789abcdef";
    std::string text;
    for (int shift = 60; shift >= 0; shift -= 4) text += hex[(hash >> shift) & 0xf];
    return text;
}

RunRecord startRecord(const fs::path &folder, const formats::PointBudget &read,
                      const fs::path &module) {
    removeRunRecord(folder);
    RunRecord record;
    std::vector<fs::path> files;
    for (const formats::PointBudget::Source &source : read.files()) files.push_back(source.path);
    record.scene = filesHash(files);
    record.module = filesHash({module});
    return record;
}

void writeRunRecord(const fs::path &folder, const RunRecord &record) {
    nlohmann::json objects = nlohmann::json::array();
    for (const RecordedObject &object : record.objects)
        objects.push_back({{"name", object.name},
                           {"stem", object.stem},
                           {"points", object.glb.points},
                           {"corners", object.glb.corners},
                           {"texcoords", object.glb.texcoords}});
    // One line per frame, so that the record reads and compares well.
    std::string frames;
    for (const RecordedFrame &frame : record.frames)
        frames += std::string(frames.empty() ? "\n" : ",\n") + "  " +
                  nlohmann::json{{"frame", frame.frame},
                                 {"seconds", frame.seconds},
                                 {"target", pointJson(frame.target)}}
                      .dump(-1, ' ', true);
    const nlohmann::json head = {
        {"kind", recordKind},
        {"scene", record.scene},
        {"module", record.module},
        {"obj", record.obj},
        {"svg", record.svg},
        {"gltf", record.gltf},
        {"every", record.every},
        {"framesPerSecond", record.framesPerSecond},
        {"digits", record.digits},
        {"caption", record.caption},
        {"leafPoints", record.leafPoints},
        {"pivotRule", record.pivotRule},
        {"objects", objects},
    };
    std::string text = head.dump(-1, ' ', true);
    text.pop_back();  // the closing brace; the frames follow
    text += ",\"frames\":[" + frames + "\n]}\n";
    formats::replaceFile(folder / runRecordName, text);
}

void removeRunRecord(const fs::path &folder) {
    std::error_code error;
    fs::remove(folder / runRecordName, error);
    if (error) throw HostError::at(folder / runRecordName, "cannot remove it: " + error.message());
}

RunRecord readRunRecord(const fs::path &folder) {
    const fs::path path = folder / runRecordName;
    std::error_code error;
    if (!fs::is_regular_file(fs::symlink_status(path, error)))
        throw HostError::at(path,
                            "expected a regular file (not a link) written by vistrelle run; "
                            "is this a folder a whole run wrote?");
    const std::string text =
        formats::readTextFile(path, formats::Content::Text, [&](std::uint64_t size) {
            if (size > mostRecordBytes || size > formats::freeMemoryBytes() / 32)
                throw HostError::at(path, std::to_string(size) + " bytes, more than a run record");
        });
    const std::string file = path.string();
    formats::checkJsonDepth(text, file);
    const nlohmann::json json = formats::parseJson(text, file);
    const formats::JsonNode root(json, "", file);
    root.allowOnly({"kind", "scene", "module", "obj", "svg", "gltf", "every", "framesPerSecond",
                    "digits", "caption", "leafPoints", "pivotRule", "objects", "frames"});
    if (root.member("kind").text() != recordKind) root.member("kind").fail("not a run record");
    RunRecord record;
    record.scene = root.member("scene").text();
    record.module = root.member("module").text();
    record.obj = flag(root.member("obj"));
    record.svg = flag(root.member("svg"));
    record.gltf = flag(root.member("gltf"));
    record.every = static_cast<std::int32_t>(root.member("every").integer(1, INT32_MAX));
    record.framesPerSecond = finite(root.member("framesPerSecond"));
    record.digits = static_cast<int>(root.member("digits").integer(4, 10));
    record.caption = root.member("caption").text();
    record.leafPoints = root.member("leafPoints").int32();
    record.pivotRule = root.member("pivotRule").int32();
    for (const formats::JsonNode &object : root.member("objects").elements())
        record.objects.push_back(readObject(object));
    if (record.objects.empty()) root.member("objects").fail("expected at least one object");
    for (std::size_t i = 0; i < record.objects.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (record.objects[i].stem == record.objects[j].stem)
                root.member("objects").fail("two objects share the stem " + record.objects[i].stem);
    for (const formats::JsonNode &frame : root.member("frames").elements()) {
        record.frames.push_back(readFrame(frame));
        if (record.frames.size() > 1 &&
            record.frames.back().frame <= record.frames[record.frames.size() - 2].frame)
            frame.fail("frames must be in ascending order, each once");
    }
    if (record.frames.empty()) root.member("frames").fail("expected at least one frame");
    return record;
}

}  // namespace cli
