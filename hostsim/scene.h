// The stand-in host's in-memory scene: items of type 0 in list order, their motion, the meshes of
// objects, the frame range and the displacements applied to objects.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hostsim/point3.h"

// What a mesh file held beyond its points, kept so that its writer can write the file back.
namespace formats {
class ObjDocument;
struct MeshSurface;
}  // namespace formats

namespace hostsim {

struct PositionKey {
    double time = 0.0;  // seconds
    Point3 position;
};

// An item's position over time. One key is a fixed position; with several, the position is linear
// between neighbouring keys (sorted by time) and held before the first and after the last key.
struct Motion {
    std::vector<PositionKey> keys;

    static Motion fixed(Point3 position) { return Motion{{PositionKey{0.0, position}}}; }
    Point3 at(double time) const;
};

// Points of a mesh in point order, as the host hands them out: three floats each.
struct Mesh {
    std::vector<std::array<float, 3>> points;
    std::string sourceFile;  // the OBJ or glTF file it came from; empty for inline points
    std::shared_ptr<const formats::ObjDocument>
        obj;  // the rest of that OBJ file; null for inline points
    std::shared_ptr<const formats::MeshSurface>
        surface;  // the faces of a glTF file it came from; null otherwise
};

// An item of type 0. An item with a mesh is an object.
struct Item {
    std::string name;
    Motion motion;
    std::optional<Mesh> mesh;
};

// A displacement applied to the item at `item` (0-based index into Scene::items).
struct Displacement {
    std::size_t item = 0;
    std::string server = "Vistrelle";
    // The module's data block as `save` wrote it; absent: the instance is only created, not loaded.
    std::optional<std::vector<std::int32_t>> data;
};

struct FrameRange {
    std::int32_t start = 0;
    std::int32_t end = 0;
    double framesPerSecond = 24.0;

    double timeOf(std::int32_t frame) const { return frame / framesPerSecond; }
};

struct Scene {
    std::vector<Item> items;
    FrameRange frames;
    std::vector<Displacement> displacements;
};

}  // namespace hostsim
