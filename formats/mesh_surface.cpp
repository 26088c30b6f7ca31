// Surfaces for meshes from glTF files, OBJ files and inline points.
#include "formats/mesh_surface.h"

#include "formats/obj_document.h"

namespace formats {

using hostsim::Mesh;

MeshSurface surfaceOf(const Mesh &mesh, int leafPoints) {
    if (mesh.surface) return *mesh.surface;
    MeshSurface surface;
    if (mesh.obj) {
        surface.triangles = mesh.obj->triangles();
        surface.texcoords = mesh.obj->pointTexcoords();
        return surface;
    }
    if (leafPoints < 3) return surface;
    const std::size_t perLeaf = static_cast<std::size_t>(leafPoints);
    for (std::size_t first = 0; first + perLeaf <= mesh.points.size(); first += perLeaf) {
        for (std::size_t c = first + 1; c + 1 < first + perLeaf; ++c) {
            surface.triangles.push_back(static_cast<std::uint32_t>(first));
            surface.triangles.push_back(static_cast<std::uint32_t>(c));
            surface.triangles.push_back(static_cast<std::uint32_t>(c + 1));
        }
    }
    return surface;
}

}  // namespace formats
