// What a mesh has besides its points: the triangles between them and a texture coordinate per
// point. glTF input keeps it with the mesh; glTF output needs it for every mesh.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "hostsim/scene.h"

namespace formats {

using hostsim::Mesh;

struct MeshSurface {
    std::vector<std::uint32_t> triangles;         // three 0-based point indices each
    std::vector<std::array<float, 2>> texcoords;  // one per point, or empty
};

// The surface of a mesh: a glTF file's own, an OBJ file's faces fanned into triangles, or for
// points without faces every whole leaf of `leafPoints` points fanned from its first point.
MeshSurface surfaceOf(const Mesh &mesh, int leafPoints);

}  // namespace formats
