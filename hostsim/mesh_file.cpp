// Choosing the mesh reader by extension.
#include "hostsim/mesh_file.h"

#include "hostsim/gltf_mesh.h"
#include "hostsim/obj_mesh.h"

namespace hostsim {

Mesh readMeshFile(const std::filesystem::path &path) { return isGltfPath(path) ? readGltfMesh(path) : readObjMesh(path); }

}  // namespace hostsim
