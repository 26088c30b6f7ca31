// Meshes from glTF 2.0 files (.gltf with its buffers, or .glb).
#pragma once

#include <filesystem>

#include "formats/point_budget.h"
#include "hostsim/scene.h"

namespace formats {

using hostsim::Mesh;

// The mesh of a glTF file: its points are the POSITION values of its meshes' primitives in accessor
// order, primitive after primitive, mesh after mesh (node transforms are not applied); that is the
// order in which leaves are counted. Triangles and TEXCOORD_0 go along in Mesh::surface. Sparse
// accessors, Draco compression, quantized positions and skins are refused. Only what the file
// declares is read: its own bytes, data URIs and regular files inside its folder; every offset and
// size is checked, and the points are counted against `budget` before they are read. Faults throw
// HostError "<file>: <what>".
Mesh readGltfMesh(const std::filesystem::path &path, PointBudget &budget);
Mesh readGltfMesh(const std::filesystem::path &path);

// Whether the path names a glTF file by its extension (.gltf or .glb, any case).
bool isGltfPath(const std::filesystem::path &path);

}  // namespace formats
