// Choosing the mesh reader by extension.
#include "formats/mesh_file.h"

#include "formats/gltf_mesh.h"
#include "formats/obj_mesh.h"

namespace formats {

using hostsim::Mesh;

Mesh readMeshFile(const std::filesystem::path &path, PointBudget &budget) {
    return isGltfPath(path) ? readGltfMesh(path, budget) : readObjMesh(path, budget);
}

Mesh readMeshFile(const std::filesystem::path &path) {
    PointBudget budget;
    return readMeshFile(path, budget);
}

}  // namespace formats
