// OBJ meshes: reading through ObjDocument and writing displaced copies.
#include "formats/obj_mesh.h"

#include <memory>

#include "hostsim/host_error.h"
#include "formats/mesh_surface.h"
#include "formats/number_text.h"
#include "formats/obj_document.h"
#include "formats/text_file.h"

namespace formats {

using hostsim::HostError;
using hostsim::Mesh;

Mesh readObjMesh(const std::filesystem::path &path) {
    auto document = std::make_shared<const ObjDocument>(ObjDocument::parse(readTextFile(path), path.string()));
    Mesh mesh;
    mesh.points = document->points();
    mesh.sourceFile = path.string();
    mesh.obj = std::move(document);
    return mesh;
}

namespace {

// The faces of a mesh read from a glTF file, with its texture coordinates when it has them.
void appendSurface(std::string &out, const MeshSurface &surface) {
    const bool textured = !surface.texcoords.empty();
    for (const auto &uv : surface.texcoords) {
        out += "vt ";
        appendShortest(out, uv[0]);
        out += ' ';
        appendShortest(out, uv[1]);
        out += '\n';
    }
    for (std::size_t t = 0; t + 2 < surface.triangles.size(); t += 3) {
        out += 'f';
        for (std::size_t c = t; c < t + 3; ++c) {
            const std::string index = std::to_string(surface.triangles[c] + 1);
            out += ' ' + index;
            if (textured) out += '/' + index;
        }
        out += '\n';
    }
}

}  // namespace

std::string objMeshText(const Mesh &base, std::span<const std::array<double, 3>> displaced) {
    const std::size_t expected = base.obj ? base.obj->points().size() : base.points.size();
    if (displaced.size() != expected) {
        const std::string name = base.sourceFile.empty() ? std::string("inline mesh") : base.sourceFile;
        throw HostError(name + ": expected " + std::to_string(expected) + " displaced points, got " + std::to_string(displaced.size()));
    }
    if (base.obj) return base.obj->text(displaced);
    std::string out(displaced.size() * (3 + floatTripleRoom), '\0');
    char *w = out.data();
    for (const auto &p : displaced) {
        *w++ = 'v';
        *w++ = ' ';
        w = writeFloatTriple(w, p);
        *w++ = '\n';
    }
    out.resize(static_cast<std::size_t>(w - out.data()));
    if (base.surface) appendSurface(out, *base.surface);
    return out;
}

void writeObjMesh(const std::filesystem::path &path, const Mesh &base, std::span<const std::array<double, 3>> displaced) {
    replaceFile(path, objMeshText(base, displaced));
}

}  // namespace formats
