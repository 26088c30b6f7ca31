// OBJ meshes: reading through ObjDocument and writing displaced copies.
#include "formats/obj_mesh.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <memory>

#include "formats/mesh_surface.h"
#include "formats/obj_document.h"
#include "formats/obj_writer.h"
#include "formats/text/chunked_text.h"
#include "formats/text/number_text.h"
#include "formats/text/text_file.h"
#include "hostsim/host_error.h"

namespace formats {

using hostsim::HostError;
using hostsim::Mesh;

Mesh readObjMesh(const std::filesystem::path &path, PointBudget &budget) {
    auto document = std::make_shared<const ObjDocument>(ObjDocument::read(path, &budget));
    Mesh mesh;
    mesh.points = document->points();
    mesh.sourceFile = path.string();
    mesh.obj = std::move(document);
    return mesh;
}

Mesh readObjMesh(const std::filesystem::path &path) {
    PointBudget budget;
    return readObjMesh(path, budget);
}

namespace {

// The faces of a mesh read from a glTF file, with its texture coordinates when it has them.
void writeSurface(ChunkedText &out, const MeshSurface &surface) {
    const bool textured = !surface.texcoords.empty();
    for (const auto &uv : surface.texcoords) {
        char *w = out.room(4 + shortestFloatMaxChars + shortestFloatRoom);
        std::memcpy(w, "vt ", 3);
        w = writeShortest(w + 3, uv[0]);
        *w++ = ' ';
        w = writeShortest(w, uv[1]);
        *w++ = '\n';
        out.take(w);
    }
    // "f a/a b/b c/c": each index at most 20 digits.
    constexpr std::size_t maxFaceChars = 2 + 3 * (2 * 20 + 2);
    for (std::size_t t = 0; t + 2 < surface.triangles.size(); t += 3) {
        char *w = out.room(maxFaceChars);
        *w++ = 'f';
        for (std::size_t c = t; c < t + 3; ++c) {
            const std::uint64_t index = std::uint64_t{surface.triangles[c]} + 1;
            *w++ = ' ';
            w = std::to_chars(w, w + 20, index).ptr;
            if (textured) {
                *w++ = '/';
                w = std::to_chars(w, w + 20, index).ptr;
            }
        }
        *w++ = '\n';
        out.take(w);
    }
}

void checkCount(const Mesh &base, std::span<const hostsim::Position> displaced) {
    const std::size_t expected = base.obj ? base.obj->points().size() : base.points.size();
    if (displaced.size() != expected) {
        const std::string name =
            base.sourceFile.empty() ? std::string("inline mesh") : base.sourceFile;
        throw HostError(name + ": expected " + std::to_string(expected) +
                        " displaced points, got " + std::to_string(displaced.size()));
    }
}

// The "v" lines of inline points, then the faces of a glTF file's surface.
void writeInlineText(const Mesh &base, std::span<const hostsim::Position> displaced,
                     const TextSink &sink) {
    ChunkedText out(sink);
    FloatTriples triples;
    writePointLines(out, triples, displaced, {});
    if (base.surface) writeSurface(out, *base.surface);
    out.finish();
}

}  // namespace

std::string objMeshText(const Mesh &base, std::span<const hostsim::Position> displaced) {
    checkCount(base, displaced);
    if (base.obj) return base.obj->text(displaced);
    std::string out;
    out.reserve(displaced.size() * (3 + floatTripleRoom));
    writeInlineText(base, displaced, [&out](std::string_view piece) { out.append(piece); });
    return out;
}

std::size_t writeObjMesh(const std::filesystem::path &path, const Mesh &base,
                         std::span<const hostsim::Position> displaced) {
    std::size_t written = 0;
    checkCount(base, displaced);
    replaceFileWith(path, [&](const TextSink &sink) {
        const TextSink counted = [&](std::string_view piece) {
            sink(piece);
            written += piece.size();
        };
        if (base.obj)
            base.obj->write(displaced, counted);
        else
            writeInlineText(base, displaced, counted);
    });
    return written;
}

}  // namespace formats
