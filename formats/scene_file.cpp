// Reading and writing scene files. The reader checks everything a person can get wrong by hand and
// names the place; the writer lays the document out for reading and refuses scenes that would not
// read back.
#include "formats/scene_file.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <set>
#include <string>
#include <string_view>

#include "formats/json_depth.h"
#include "formats/mesh_file.h"
#include "formats/obj_mesh.h"
#include "formats/shown_text.h"
#include "formats/text/json_node.h"
#include "formats/text/number_text.h"
#include "formats/text/text_file.h"
#include "hostsim/host_error.h"

namespace formats {

using hostsim::Displacement;
using hostsim::FrameRange;
using hostsim::HostError;
using hostsim::Item;
using hostsim::Mesh;
using hostsim::Motion;
using hostsim::Point3;
using hostsim::Scene;
namespace fs = std::filesystem;

namespace {

std::array<double, 3> readTriple(const JsonNode &node) {
    const nlohmann::json &v = node.value();
    if (!v.is_array() || v.size() != 3 || !v[0].is_number() || !v[1].is_number() ||
        !v[2].is_number()) {
        node.fail("expected 3 numbers");
    }
    return {v[0].get<double>(), v[1].get<double>(), v[2].get<double>()};
}

Point3 readPosition(const JsonNode &node) {
    const auto [x, y, z] = readTriple(node);
    return {x, y, z};
}

std::array<float, 3> readMeshPoint(const JsonNode &node) {
    const auto [x, y, z] = readTriple(node);
    const std::array<float, 3> point{static_cast<float>(x), static_cast<float>(y),
                                     static_cast<float>(z)};
    for (float c : point) {
        if (!std::isfinite(c)) node.fail("expected 3 numbers within the range of a float");
    }
    return point;
}

Motion readMotion(const JsonNode &item) {
    const bool fixed = item.has("position");
    const bool keyed = item.has("keys");
    if (fixed && keyed) item.fail(R"(expected either "position" or "keys", not both)");
    if (fixed) return Motion::fixed(readPosition(item.member("position")));
    if (!keyed) item.fail(R"(expected a member "position" or "keys")");
    Motion motion;
    for (const JsonNode &key : item.member("keys").elements()) {
        key.allowOnly({"time", "position"});
        const JsonNode time = key.member("time");
        const double seconds = time.number();
        if (!motion.keys.empty() && seconds < motion.keys.back().time) {
            time.fail("expected keys in time order; this one comes before the previous key");
        }
        motion.keys.push_back({seconds, readPosition(key.member("position"))});
    }
    return motion;
}

// Where a scene's meshes are and what they may take: the folder mesh files are named from, the
// scene file's name and the point budget.
struct MeshPlace {
    const fs::path &folder;
    const std::string &file;
    PointBudget &budget;
};

Mesh readMesh(const JsonNode &node, const MeshPlace &place) {
    node.allowOnly({"points", "file"});
    const bool inline_ = node.has("points");
    const bool file = node.has("file");
    if (inline_ && file) node.fail(R"(expected either "points" or "file", not both)");
    if (inline_) {
        Mesh mesh;
        const std::vector<JsonNode> points = node.member("points").elements();
        place.budget.take(place.file + ": " + node.pointer() + "/points", points.size());
        for (const JsonNode &point : points) mesh.points.push_back(readMeshPoint(point));
        return mesh;
    }
    if (!file) node.fail(R"(expected a member "points" or "file")");
    const JsonNode name = node.member("file");
    const std::string relative = name.text();
    if (relative.empty()) name.fail("expected the name of an OBJ or glTF file");
    const fs::path objPath = (place.folder / utf8Path(relative)).lexically_normal();
    // Anything there that is not a regular file is refused by the reader, naming what it is.
    std::error_code error;
    if (!fs::exists(objPath, error)) name.fail("no such file: " + shownInput(objPath.string()));
    return readMeshFile(objPath, place.budget);
}

FrameRange readFrames(const JsonNode &node) {
    node.allowOnly({"start", "end", "fps"});
    FrameRange frames;
    frames.start = node.member("start").int32();
    const JsonNode end = node.member("end");
    frames.end = end.int32();
    if (frames.end < frames.start) end.fail("expected an end frame not before the start frame");
    if (const auto fps = node.optionalMember("fps")) {
        frames.framesPerSecond = fps->number();
        if (!(frames.framesPerSecond > 0.0))
            fps->fail("expected a positive number of frames per second");
    }
    return frames;
}

Scene readFormat1(const JsonNode &root, const MeshPlace &place) {
    root.allowOnly({"format", "frames", "items", "displacements"});
    Scene scene;
    scene.frames = readFrames(root.member("frames"));

    std::map<std::string, std::size_t, std::less<>> indexOfName;
    for (const JsonNode &node : root.member("items").elements()) {
        node.allowOnly({"name", "position", "keys", "mesh"});
        const JsonNode nameNode = node.member("name");
        Item item;
        item.name = nameNode.text();
        if (item.name.empty()) nameNode.fail("expected a name that is not empty");
        const auto [earlier, isNew] = indexOfName.emplace(item.name, scene.items.size());
        if (!isNew)
            nameNode.fail("expected a name of its own; /items/" + std::to_string(earlier->second) +
                          " has it");
        item.motion = readMotion(node);
        if (const auto mesh = node.optionalMember("mesh")) item.mesh = readMesh(*mesh, place);
        scene.items.push_back(std::move(item));
    }

    if (const auto list = root.optionalMember("displacements")) {
        for (const JsonNode &node : list->elements()) {
            node.allowOnly({"object", "server", "data"});
            Displacement displacement;
            const JsonNode object = node.member("object");
            const auto found = indexOfName.find(object.text());
            if (found == indexOfName.end())
                object.fail("expected the name of an item; no item is called " +
                            object.value().dump());
            displacement.item = found->second;
            if (const auto server = node.optionalMember("server"))
                displacement.server = server->text();
            if (const auto data = node.optionalMember("data")) {
                std::vector<std::int32_t> values;
                for (const JsonNode &value : data->elements()) values.push_back(value.int32());
                displacement.data = std::move(values);
            }
            scene.displacements.push_back(std::move(displacement));
        }
    }
    return scene;
}

// Lays out a scene as JSON text; refuses, with the reason, what would not read back.
class SceneWriter {
  public:
    SceneWriter(const fs::path &path, const Scene &scene)
        : path_(path), folder_(path.parent_path()), scene_(scene) {}

    std::string text() {
        out_ += "{\n  \"format\": " + std::to_string(sceneFormat) + ",\n";
        writeFrames();
        out_ += "  \"items\": [";
        for (std::size_t i = 0; i < scene_.items.size(); ++i) {
            out_ += i == 0 ? "\n    " : ",\n    ";
            writeItem(scene_.items[i]);
        }
        out_ += scene_.items.empty() ? "]" : "\n  ]";
        if (!scene_.displacements.empty()) {
            out_ += ",\n  \"displacements\": [";
            for (std::size_t i = 0; i < scene_.displacements.size(); ++i) {
                out_ += i == 0 ? "\n    " : ",\n    ";
                writeDisplacement(scene_.displacements[i]);
            }
            out_ += "\n  ]";
        }
        out_ += "\n}\n";
        return std::move(out_);
    }

  private:
    [[noreturn]] void refuse(const std::string &why) const {
        throw HostError::at(path_, "cannot save: " + why);
    }

    void number(double value, const std::string &what) {
        if (!std::isfinite(value)) refuse(what + " is not a finite number");
        out_ += nlohmann::json(value).dump();
    }

    void position(const Point3 &p, const std::string &what) {
        out_ += '[';
        number(p.x, what);
        out_ += ", ";
        number(p.y, what);
        out_ += ", ";
        number(p.z, what);
        out_ += ']';
    }

    static std::string quoted(const std::string &text) { return nlohmann::json(text).dump(); }

    void writeFrames() {
        const FrameRange &f = scene_.frames;
        if (f.end < f.start) refuse("the end frame comes before the start frame");
        if (!(f.framesPerSecond > 0.0)) refuse("frames per second must be a positive number");
        out_ += "  \"frames\": {\"start\": " + std::to_string(f.start) +
                ", \"end\": " + std::to_string(f.end) + ", \"fps\": ";
        number(f.framesPerSecond, "frames per second");
        out_ += "},\n";
    }

    void writeItem(const Item &item) {
        const std::string what = "item " + quoted(item.name);
        if (item.name.empty()) refuse("an item has no name");
        if (!names_.insert(item.name).second) refuse("two items are called " + quoted(item.name));
        out_ += "{\"name\": " + quoted(item.name) + ", ";
        const auto &keys = item.motion.keys;
        if (keys.size() == 1 && keys.front().time == 0.0) {
            out_ += "\"position\": ";
            position(keys.front().position, "the position of " + what);
        } else {
            out_ += "\"keys\": [";
            for (std::size_t k = 0; k < keys.size(); ++k) {
                if (k > 0 && keys[k].time < keys[k - 1].time)
                    refuse("the keys of " + what + " are not in time order");
                out_ += k == 0 ? "\n      " : ",\n      ";
                out_ += "{\"time\": ";
                number(keys[k].time, "a key time of " + what);
                out_ += ", \"position\": ";
                position(keys[k].position, "a key position of " + what);
                out_ += '}';
            }
            out_ += keys.empty() ? "]" : "\n    ]";
        }
        if (item.mesh) writeMesh(*item.mesh, what);
        out_ += '}';
    }

    void writeMesh(const Mesh &mesh, const std::string &what) {
        out_ += ", \"mesh\": ";
        if (!mesh.sourceFile.empty()) {
            out_ += "{\"file\": " + quoted(relativePath(utf8Path(mesh.sourceFile))) + '}';
            return;
        }
        out_ += "{\"points\": [";
        for (std::size_t i = 0; i < mesh.points.size(); ++i) {
            out_ += i == 0 ? "\n      " : ",\n      ";
            const auto &p = mesh.points[i];
            // Floats are written in their shortest form; reading it back as float gives them
            // exactly.
            position({shortDouble(p[0]), shortDouble(p[1]), shortDouble(p[2])},
                     "a mesh point of " + what);
        }
        out_ += mesh.points.empty() ? "]}" : "\n    ]}";
    }

    void writeDisplacement(const Displacement &d) {
        if (d.item >= scene_.items.size())
            refuse("a displacement is applied to item " + std::to_string(d.item) +
                   ", which does not exist");
        out_ += "{\"object\": " + quoted(scene_.items[d.item].name) +
                ", \"server\": " + quoted(d.server);
        if (d.data) {
            out_ += ", \"data\": [";
            for (std::size_t i = 0; i < d.data->size(); ++i)
                out_ += (i == 0 ? "" : ", ") + std::to_string((*d.data)[i]);
            out_ += ']';
        }
        out_ += '}';
    }

    // The mesh file relative to the scene's folder, with forward slashes; absolute when there is no
    // such path.
    std::string relativePath(const fs::path &file) const {
        const fs::path absoluteFile = fs::absolute(file).lexically_normal();
        fs::path absoluteFolder =
            fs::absolute(folder_.empty() ? fs::path(".") : folder_).lexically_normal();
        if (!absoluteFolder.has_filename()) absoluteFolder = absoluteFolder.parent_path();
        const fs::path relative = absoluteFile.lexically_relative(absoluteFolder);
        return (relative.empty() ? absoluteFile : relative).generic_string();
    }

    const fs::path &path_;
    fs::path folder_;
    const Scene &scene_;
    std::set<std::string_view> names_;
    std::string out_;
};

}  // namespace

Scene readSceneFile(const fs::path &path, PointBudget &budget) {
    const std::string file = path.string();
    // The text and its parsed values: a JSON value takes 16 bytes, and the shortest ("0,") two
    // characters, so the two together take at most nine times the text.
    constexpr std::uint64_t heldPerByte = 9;
    budget.noteFile(path, "the scene");
    const std::string text = readTextFile(path, Content::Text, [&](std::uint64_t size) {
        budget.takeBytes(file, size > std::numeric_limits<std::uint64_t>::max() / heldPerByte
                                   ? std::numeric_limits<std::uint64_t>::max()
                                   : size * heldPerByte);
    });
    checkJsonDepth(text, file);
    const nlohmann::json document = parseJson(text, file);
    const JsonNode root(document, "", file);
    const JsonNode format = root.member("format");
    const auto version = format.integer(1, std::numeric_limits<std::int32_t>::max());
    if (version > sceneFormat) {
        format.fail("format " + std::to_string(version) +
                    " is newer than this program reads (up to " + std::to_string(sceneFormat) +
                    ")");
    }
    // Each format has its own reader; a later format keeps the readers of the earlier ones.
    const fs::path folder = path.parent_path();
    return readFormat1(root, MeshPlace{folder, file, budget});
}

Scene readSceneFile(const fs::path &path) {
    PointBudget budget;
    return readSceneFile(path, budget);
}

void writeSceneFile(const fs::path &path, const Scene &scene) {
    std::string text;
    try {
        text = SceneWriter(path, scene).text();
    } catch (const nlohmann::json::exception &) {  // the only text the writer quotes is names
        throw HostError::at(path, "cannot save: a name or server is not valid UTF-8 text");
    }
    // A scene may be the only copy of a person's work: it survives a system crash too.
    replaceFile(path, text, Durability::System);
}

}  // namespace formats
