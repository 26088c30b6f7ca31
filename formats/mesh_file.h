// A mesh file of either kind, told apart by its extension.
#pragma once

#include <filesystem>

#include "formats/point_budget.h"
#include "hostsim/scene.h"

namespace formats {

using hostsim::Mesh;

// A .gltf or .glb file through readGltfMesh, any other through readObjMesh.
// The points are counted against `budget`.
Mesh readMeshFile(const std::filesystem::path &path, PointBudget &budget);
Mesh readMeshFile(const std::filesystem::path &path);

}  // namespace formats
