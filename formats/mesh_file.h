// A mesh file of either kind, told apart by its extension.
#pragma once

#include <filesystem>

#include "hostsim/scene.h"

namespace formats {

using hostsim::Mesh;

// A .gltf or .glb file through readGltfMesh, any other through readObjMesh.
Mesh readMeshFile(const std::filesystem::path &path);

}  // namespace formats
