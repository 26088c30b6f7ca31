// OBJ meshes: reading through ObjDocument and writing displaced copies.
#include "hostsim/obj_mesh.h"

#include <memory>

#include "hostsim/host_error.h"
#include "hostsim/number_text.h"
#include "hostsim/obj_document.h"
#include "hostsim/text_file.h"

namespace hostsim {

Mesh readObjMesh(const std::filesystem::path &path) {
    auto document = std::make_shared<const ObjDocument>(ObjDocument::parse(readTextFile(path), path.string()));
    Mesh mesh;
    mesh.points = document->points();
    mesh.sourceFile = path.string();
    mesh.obj = std::move(document);
    return mesh;
}

std::string objMeshText(const Mesh &base, std::span<const std::array<double, 3>> displaced) {
    const std::size_t expected = base.obj ? base.obj->points().size() : base.points.size();
    if (displaced.size() != expected) {
        const std::string name = base.sourceFile.empty() ? std::string("inline mesh") : base.sourceFile;
        throw HostError(name + ": expected " + std::to_string(expected) + " displaced points, got " + std::to_string(displaced.size()));
    }
    if (base.obj) return base.obj->text(displaced);
    std::string out(displaced.size() * (3 + floatTripleMaxChars), '\0');
    char *w = out.data();
    for (const auto &p : displaced) {
        *w++ = 'v';
        *w++ = ' ';
        w = writeFloatTriple(w, p);
        *w++ = '\n';
    }
    out.resize(static_cast<std::size_t>(w - out.data()));
    return out;
}

void writeObjMesh(const std::filesystem::path &path, const Mesh &base, std::span<const std::array<double, 3>> displaced) {
    replaceFile(path, objMeshText(base, displaced));
}

}  // namespace hostsim
