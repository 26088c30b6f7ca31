// Reading glTF meshes through tinygltf: accessors resolved by hand, unsupported features named.
#include "formats/gltf_mesh.h"

#include <tiny_gltf.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <string>

#include "hostsim/host_error.h"
#include "formats/mesh_surface.h"

namespace formats {

using hostsim::HostError;
using hostsim::Mesh;
namespace {

namespace fs = std::filesystem;

std::string lowerExtension(const fs::path &path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

class AccessorReader {
public:
    AccessorReader(const tinygltf::Model &model, const fs::path &file) : model_(model), file_(file) {}

    // The bytes of element `i` of the accessor and its checked layout.
    const unsigned char *element(const tinygltf::Accessor &accessor, std::size_t i) const {
        return base(accessor) + i * stride(accessor);
    }

    const unsigned char *base(const tinygltf::Accessor &accessor) const {
        if (accessor.sparse.isSparse) fail("sparse accessors are not supported");
        if (accessor.bufferView < 0 || static_cast<std::size_t>(accessor.bufferView) >= model_.bufferViews.size())
            fail("an accessor without a buffer view is not supported");
        const tinygltf::BufferView &view = model_.bufferViews[static_cast<std::size_t>(accessor.bufferView)];
        if (view.buffer < 0 || static_cast<std::size_t>(view.buffer) >= model_.buffers.size()) fail("a buffer view names no buffer");
        const std::vector<unsigned char> &data = model_.buffers[static_cast<std::size_t>(view.buffer)].data;
        const std::size_t size = elementSize(accessor);
        const std::size_t step = stride(accessor);
        const std::size_t start = view.byteOffset + accessor.byteOffset;
        const std::size_t needed = accessor.count == 0 ? 0 : (accessor.count - 1) * step + size;
        if (start + needed > view.byteOffset + view.byteLength || view.byteOffset + view.byteLength > data.size())
            fail("an accessor reaches past the end of its buffer");
        return data.data() + start;
    }

    std::size_t stride(const tinygltf::Accessor &accessor) const {
        const tinygltf::BufferView &view = model_.bufferViews[static_cast<std::size_t>(accessor.bufferView)];
        return view.byteStride > 0 ? view.byteStride : elementSize(accessor);
    }

    static std::size_t elementSize(const tinygltf::Accessor &accessor) {
        const int components = tinygltf::GetNumComponentsInType(static_cast<std::uint32_t>(accessor.type));
        const int bytes = tinygltf::GetComponentSizeInBytes(static_cast<std::uint32_t>(accessor.componentType));
        return components > 0 && bytes > 0 ? static_cast<std::size_t>(components * bytes) : 0;
    }

    [[noreturn]] void fail(const std::string &what) const { throw HostError::at(file_, what); }

private:
    const tinygltf::Model &model_;
    const fs::path &file_;
};

const tinygltf::Accessor &accessorAt(const tinygltf::Model &model, int index, const AccessorReader &reader) {
    if (index < 0 || static_cast<std::size_t>(index) >= model.accessors.size()) reader.fail("a primitive names no accessor " + std::to_string(index));
    return model.accessors[static_cast<std::size_t>(index)];
}

void refuseUnsupported(const tinygltf::Model &model, const AccessorReader &reader) {
    for (const std::string &extension : model.extensionsRequired) {
        if (extension == "KHR_draco_mesh_compression") reader.fail("Draco-compressed meshes (KHR_draco_mesh_compression) are not supported");
        if (extension == "KHR_mesh_quantization") reader.fail("quantized positions (KHR_mesh_quantization) are not supported");
        if (extension == "EXT_meshopt_compression") reader.fail("meshopt-compressed buffers (EXT_meshopt_compression) are not supported");
    }
    if (!model.skins.empty()) reader.fail("skins are not supported");
}

void readPrimitive(const tinygltf::Model &model, const tinygltf::Primitive &primitive, const AccessorReader &reader, Mesh &mesh,
                   MeshSurface &surface, bool &anyTexcoords) {
    if (primitive.extensions.count("KHR_draco_mesh_compression"))
        reader.fail("Draco-compressed meshes (KHR_draco_mesh_compression) are not supported");
    const auto position = primitive.attributes.find("POSITION");
    if (position == primitive.attributes.end()) return;
    const tinygltf::Accessor &points = accessorAt(model, position->second, reader);
    if (points.type != TINYGLTF_TYPE_VEC3 || points.componentType != TINYGLTF_COMPONENT_TYPE_FLOAT)
        reader.fail("POSITION values must be three floats each");
    const std::size_t first = mesh.points.size();
    const unsigned char *base = reader.base(points);
    const std::size_t stride = reader.stride(points);
    for (std::size_t i = 0; i < points.count; ++i) {
        std::array<float, 3> p{};
        std::memcpy(p.data(), base + i * stride, sizeof p);
        mesh.points.push_back(p);
    }

    surface.texcoords.resize(mesh.points.size(), {0.0f, 0.0f});
    const auto texcoord = primitive.attributes.find("TEXCOORD_0");
    if (texcoord != primitive.attributes.end()) {
        const tinygltf::Accessor &uv = accessorAt(model, texcoord->second, reader);
        if (uv.type == TINYGLTF_TYPE_VEC2 && uv.componentType == TINYGLTF_COMPONENT_TYPE_FLOAT && uv.count == points.count) {
            const unsigned char *uvBase = reader.base(uv);
            for (std::size_t i = 0; i < uv.count; ++i) std::memcpy(surface.texcoords[first + i].data(), uvBase + i * reader.stride(uv), 8);
            anyTexcoords = true;
        }
    }

    if (primitive.mode != TINYGLTF_MODE_TRIANGLES && primitive.mode != -1) return;  // lines and points make no faces
    const auto corner = [&](std::size_t index) {
        if (index >= points.count) reader.fail("an index " + std::to_string(index) + " reaches past the " + std::to_string(points.count) + " points of its primitive");
        surface.triangles.push_back(static_cast<std::uint32_t>(first + index));
    };
    if (primitive.indices < 0) {
        for (std::size_t i = 0; i < points.count - points.count % 3; ++i) corner(i);
        return;
    }
    const tinygltf::Accessor &indices = accessorAt(model, primitive.indices, reader);
    const unsigned char *indexBase = reader.base(indices);
    const std::size_t indexStride = reader.stride(indices);
    for (std::size_t i = 0; i < indices.count - indices.count % 3; ++i) {
        const unsigned char *at = indexBase + i * indexStride;
        switch (indices.componentType) {
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE: corner(*at); break;
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: {
            std::uint16_t value = 0;
            std::memcpy(&value, at, sizeof value);
            corner(value);
            break;
        }
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT: {
            std::uint32_t value = 0;
            std::memcpy(&value, at, sizeof value);
            corner(value);
            break;
        }
        default: reader.fail("indices must be unsigned bytes, shorts or ints");
        }
    }
}

}  // namespace

bool isGltfPath(const fs::path &path) {
    const std::string extension = lowerExtension(path);
    return extension == ".gltf" || extension == ".glb";
}

Mesh readGltfMesh(const fs::path &path) {
    tinygltf::TinyGLTF loader;
    tinygltf::Model model;
    std::string error;
    std::string warning;
    const bool binary = lowerExtension(path) == ".glb";
    const bool loaded = binary ? loader.LoadBinaryFromFile(&model, &error, &warning, path.string())
                               : loader.LoadASCIIFromFile(&model, &error, &warning, path.string());
    if (!loaded) {
        std::string what = error.empty() ? "not a readable glTF file" : error;
        what.erase(std::remove(what.begin(), what.end(), '\n'), what.end());
        throw HostError::at(path, what);
    }
    const AccessorReader reader(model, path);
    refuseUnsupported(model, reader);

    Mesh mesh;
    mesh.sourceFile = path.string();
    auto surface = std::make_shared<MeshSurface>();
    bool anyTexcoords = false;
    for (const tinygltf::Mesh &gltfMesh : model.meshes)
        for (const tinygltf::Primitive &primitive : gltfMesh.primitives) readPrimitive(model, primitive, reader, mesh, *surface, anyTexcoords);
    if (mesh.points.empty()) throw HostError::at(path, "no mesh primitive with POSITION values");
    if (!anyTexcoords) surface->texcoords.clear();
    mesh.surface = std::move(surface);
    return mesh;
}

}  // namespace formats
