// Reading glTF meshes: the container and the JSON are checked before they are parsed, every
// accessor is placed in its buffer with checked arithmetic, and the points the file expands to are
// counted before any is read.
#include "formats/gltf_mesh.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "formats/glb_container.h"
#include "formats/gltf_bounds.h"
#include "formats/gltf_buffers.h"
#include "formats/gltf_fields.h"
#include "formats/json_depth.h"
#include "formats/mesh_surface.h"
#include "formats/shown_text.h"
#include "formats/text/text_file.h"
#include "formats/uri_path.h"
#include "hostsim/host_error.h"

namespace formats {

using hostsim::HostError;
using hostsim::Mesh;
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t floatType = 5126;
constexpr std::uint64_t modePoints = 0;
constexpr std::uint64_t modeTriangles = 4;
constexpr std::uint64_t modeTriangleStrip = 5;
constexpr std::uint64_t modeTriangleFan = 6;

std::string lowerExtension(const fs::path &path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

std::uint64_t componentSize(std::uint64_t componentType) {
    switch (componentType) {
        case 5120:
        case 5121:
            return 1;  // byte, unsigned byte
        case 5122:
        case 5123:
            return 2;  // short, unsigned short
        case 5125:
        case 5126:
            return 4;  // unsigned int, float
        default:
            return 0;
    }
}

std::uint64_t componentCount(const std::string &type) {
    if (type == "SCALAR") return 1;
    if (type == "VEC2") return 2;
    if (type == "VEC3") return 3;
    if (type == "VEC4" || type == "MAT2") return 4;
    if (type == "MAT3") return 9;
    if (type == "MAT4") return 16;
    return 0;
}

// An accessor placed in its buffer: element i is the elementSize bytes at data + i * stride.
struct PlacedAccessor {
    std::uint64_t index = 0;
    std::uint64_t componentType = 0;
    std::uint64_t components = 0;
    std::uint64_t count = 0;
    const unsigned char *data = nullptr;
    std::size_t stride = 0;

    const unsigned char *element(std::uint64_t i) const {
        return data + static_cast<std::size_t>(i) * stride;
    }
};

// What one primitive adds to the mesh, checked before anything is read.
struct PrimitivePlan {
    PlacedAccessor points;
    std::optional<PlacedAccessor> texcoords;
    std::optional<PlacedAccessor> indices;
    std::uint64_t mode = modePoints;

    // The vertices the faces are made of: the indices, or else the points in order.
    std::uint64_t vertices() const { return indices ? indices->count : points.count; }
    // The corners of the triangle list the primitive makes: a strip or a fan of n vertices makes
    // n - 2 triangles, points and lines none.
    std::uint64_t corners() const {
        const std::uint64_t n = vertices();
        if (mode == modeTriangles) return n;
        if (mode == modeTriangleStrip || mode == modeTriangleFan) return n < 3 ? 0 : 3 * (n - 2);
        return 0;
    }
    // The vertex of corner `c` of the triangle list (glTF's order for strips and fans, which keeps
    // every triangle's winding).
    std::uint64_t vertexOfCorner(std::uint64_t c) const {
        if (mode == modeTriangles) return c;
        const std::uint64_t t = c / 3;
        const std::uint64_t k = c % 3;
        if (mode == modeTriangleFan) return k == 0 ? 0 : t + k;
        if (t % 2 == 0 || k == 2) return t + k;
        return t + 1 - k;  // odd strip triangles: (t + 1, t, t + 2)
    }
};

class GltfReader {
  public:
    GltfReader(const nlohmann::json &root, const GltfBuffers &buffers, const GltfFields &fields)
        : root_(root), buffers_(buffers), fields_(fields) {}

    PlacedAccessor accessor(std::uint64_t index) const {
        const nlohmann::json &json = fields_.entry(root_, "accessors", "accessor", index);
        const std::string where = "accessor " + std::to_string(index);
        if (fields_.has(json, "sparse", where))
            fields_.fail(where, "sparse accessors are not supported");
        const auto viewIndex = fields_.optionalWhole(json, "bufferView", where);
        if (!viewIndex) fields_.fail(where, "an accessor without a buffer view is not supported");
        PlacedAccessor placed;
        placed.index = index;
        placed.componentType = fields_.whole(json, "componentType", where);
        const std::optional<std::string> type = fields_.optionalText(json, "type", where);
        placed.components = type ? componentCount(*type) : 0;
        if (componentSize(placed.componentType) == 0)
            fields_.fail(where, "componentType " + std::to_string(placed.componentType) +
                                    " is not a glTF component type");
        if (placed.components == 0)
            fields_.fail(where,
                         "type " + shownInput(type.value_or("")) + " is not a glTF accessor type");

        const nlohmann::json &viewJson =
            fields_.entry(root_, "bufferViews", "bufferView", *viewIndex);
        const std::string viewWhere = "bufferView " + std::to_string(*viewIndex);
        ViewLayout view;
        view.index = *viewIndex;
        view.buffer = fields_.whole(viewJson, "buffer", viewWhere);
        if (view.buffer >= buffers_.count())
            fields_.fail(viewWhere, "buffer " + std::to_string(view.buffer) +
                                        " is named, but the file has " +
                                        std::to_string(buffers_.count()) + " buffers");
        view.byteOffset = fields_.whole(viewJson, "byteOffset", viewWhere, 0);
        view.byteLength = fields_.whole(viewJson, "byteLength", viewWhere);
        view.byteStride = fields_.optionalWhole(viewJson, "byteStride", viewWhere);
        const std::span<const unsigned char> bytes = buffers_.bytes(view.buffer);
        view.bufferLength = bytes.size();

        AccessorLayout layout{index, fields_.whole(json, "count", where),
                              fields_.whole(json, "byteOffset", where, 0),
                              componentSize(placed.componentType), placed.components};
        const AccessorPlace place = placeAccessor(layout, view, fields_.file());
        // The place lies inside a buffer held in memory, so each figure fits a size_t.
        placed.count = place.count;
        placed.data = bytes.data() + static_cast<std::size_t>(place.offset);
        placed.stride = static_cast<std::size_t>(place.stride);
        return placed;
    }

    PrimitivePlan plan(const nlohmann::json &primitive, const std::string &where) const {
        if (fields_.has(primitive, "extensions", where) && primitive["extensions"].is_object() &&
            primitive["extensions"].contains("KHR_draco_mesh_compression"))
            fields_.fail(where,
                         "Draco-compressed meshes (KHR_draco_mesh_compression) are not supported");
        PrimitivePlan plan;
        if (!fields_.has(primitive, "attributes", where)) return plan;
        const nlohmann::json &attributes = primitive["attributes"];
        const auto position = fields_.optionalWhole(attributes, "POSITION", where + ": attributes");
        if (!position) return plan;
        plan.points = accessor(*position);
        if (plan.points.components != 3 || plan.points.componentType != floatType)
            fields_.fail("accessor " + std::to_string(*position),
                         "POSITION values must be three floats each");
        if (const auto uv =
                fields_.optionalWhole(attributes, "TEXCOORD_0", where + ": attributes")) {
            PlacedAccessor texcoords = accessor(*uv);
            if (texcoords.components == 2 && texcoords.componentType == floatType &&
                texcoords.count == plan.points.count)
                plan.texcoords = texcoords;
        }
        // Points and lines are read as points, without faces; strips and fans as triangles.
        const std::uint64_t mode = fields_.whole(primitive, "mode", where, modeTriangles);
        if (mode > modeTriangleFan)
            fields_.fail(where,
                         "mode " + std::to_string(mode) + " is not a glTF primitive mode (0 to 6)");
        plan.mode = mode;
        if (const auto indices = fields_.optionalWhole(primitive, "indices", where);
            indices && plan.mode >= modeTriangles) {
            plan.indices = accessor(*indices);
            const std::uint64_t type = plan.indices->componentType;
            if (plan.indices->components != 1 || (type != 5121 && type != 5123 && type != 5125))
                fields_.fail("accessor " + std::to_string(*indices),
                             "indices must be unsigned bytes, shorts or ints");
        }
        if (plan.mode == modeTriangles && plan.vertices() % 3 != 0)
            fields_.fail(where, std::to_string(plan.vertices()) +
                                    (plan.indices ? " indices" : " points") +
                                    " do not make whole triangles (a multiple of 3)");
        return plan;
    }

    void read(const PrimitivePlan &plan, Mesh &mesh, MeshSurface &surface) const {
        const std::size_t first = mesh.points.size();
        for (std::uint64_t i = 0; i < plan.points.count; ++i) {
            std::array<float, 3> p{};
            std::memcpy(p.data(), plan.points.element(i), sizeof p);
            if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2]))
                fields_.fail("accessor " + std::to_string(plan.points.index),
                             "POSITION " + std::to_string(i) + " is not three finite numbers");
            mesh.points.push_back(p);
        }
        surface.texcoords.resize(mesh.points.size(), {0.0f, 0.0f});
        if (plan.texcoords) {
            for (std::uint64_t i = 0; i < plan.texcoords->count; ++i)
                std::memcpy(surface.texcoords[first + i].data(), plan.texcoords->element(i), 8);
        }
        const std::uint64_t corners = plan.corners();
        for (std::uint64_t i = 0; i < corners; ++i) {
            const std::uint64_t vertex = plan.vertexOfCorner(i);
            const std::uint64_t index = plan.indices ? indexAt(*plan.indices, vertex) : vertex;
            if (index >= plan.points.count)
                fields_.fail("accessor " + std::to_string(plan.indices->index),
                             "index " + std::to_string(index) + " reaches past the " +
                                 std::to_string(plan.points.count) + " points of its primitive");
            surface.triangles.push_back(
                static_cast<std::uint32_t>(first + static_cast<std::size_t>(index)));
        }
    }

  private:
    static std::uint64_t indexAt(const PlacedAccessor &indices, std::uint64_t i) {
        const unsigned char *at = indices.element(i);
        if (indices.componentType == 5121) return *at;
        if (indices.componentType == 5123) {
            std::uint16_t value = 0;
            std::memcpy(&value, at, sizeof value);
            return value;
        }
        std::uint32_t value = 0;
        std::memcpy(&value, at, sizeof value);
        return value;
    }

    const nlohmann::json &root_;
    const GltfBuffers &buffers_;
    const GltfFields &fields_;
};

void refuseUnsupported(const nlohmann::json &root, const GltfFields &fields) {
    const nlohmann::json &asset = root.contains("asset") ? root["asset"] : nlohmann::json();
    const std::optional<std::string> version =
        asset.is_object() ? fields.optionalText(asset, "version", "asset") : std::nullopt;
    if (!version) fields.fail("asset", "expected an object with the glTF version");
    if (version->rfind("2.", 0) != 0)
        fields.fail("asset", "glTF version " + shownInput(*version) + ", expected 2.x");
    for (const nlohmann::json &extension : fields.array(root, "extensionsRequired", "")) {
        if (extension == "KHR_draco_mesh_compression")
            fields.fail("",
                        "Draco-compressed meshes (KHR_draco_mesh_compression) are not supported");
        if (extension == "KHR_mesh_quantization")
            fields.fail("", "quantized positions (KHR_mesh_quantization) are not supported");
        if (extension == "EXT_meshopt_compression")
            fields.fail("",
                        "meshopt-compressed buffers (EXT_meshopt_compression) are not supported");
    }
    if (!fields.array(root, "skins", "").empty()) fields.fail("", "skins are not supported");
}

nlohmann::json parseDocument(std::string_view text, const GltfFields &fields) {
    checkJsonDepth(text, fields.file());
    try {
        nlohmann::json root = nlohmann::json::parse(text);
        if (!root.is_object()) fields.fail("", "expected a JSON object at the top");
        return root;
    } catch (const nlohmann::json::exception &error) {
        fields.fail("", "not valid JSON: " + shownInput(error.what()));
    }
}

// The bytes of a .gltf file, or of a .glb file as far as its header declares, counted against
// `budget` before they are read: a .glb file's header is read and checked first, so that a file
// that is no .glb is refused without reading it.
std::string readGltfFile(const fs::path &path, PointBudget &budget) {
    const std::string file = path.string();
    budget.noteFile(path, "the mesh");
    if (lowerExtension(path) != ".glb")
        return readTextFile(path, Content::Text,
                            [&](std::uint64_t size) { budget.takeBytes(file, size); });
    InputFile in(path);
    std::string bytes(12, '\0');
    bytes.resize(in.read(bytes.data(), bytes.size()));
    const std::uint64_t length = glbLength(
        {reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size()}, in.size(), file);
    budget.takeBytes(file, length);
    bytes.resize(static_cast<std::size_t>(length));
    if (in.read(bytes.data() + 12, bytes.size() - 12) != bytes.size() - 12)
        throw HostError::at(
            path, "cannot read: the file ended before the header length " + std::to_string(length));
    return bytes;
}

}  // namespace

bool isGltfPath(const fs::path &path) {
    const std::string extension = lowerExtension(path);
    return extension == ".gltf" || extension == ".glb";
}

Mesh readGltfMesh(const fs::path &path, PointBudget &budget) {
    const GltfFields fields(path.string());
    const std::string contents = readGltfFile(path, budget);
    std::string_view json = contents;
    std::optional<std::span<const unsigned char>> binary;
    if (lowerExtension(path) == ".glb") {
        const GlbChunks chunks =
            splitGlb({reinterpret_cast<const unsigned char *>(contents.data()), contents.size()},
                     fields.file());
        json = chunks.json;
        binary = chunks.binary;
    }
    const nlohmann::json root = parseDocument(json, fields);
    refuseUnsupported(root, fields);
    checkImageUris(root, path.parent_path(), fields, budget);
    const GltfBuffers buffers(root, binary, path.parent_path(), fields, budget);
    const GltfReader reader(root, buffers, fields);

    std::vector<PrimitivePlan> plans;
    std::uint64_t points = 0;
    std::uint64_t corners = 0;
    const nlohmann::json &meshes = fields.array(root, "meshes", "");
    for (std::uint64_t m = 0; m < meshes.size(); ++m) {
        const std::string where = "mesh " + std::to_string(m);
        const nlohmann::json &primitives =
            fields.array(fields.entry(root, "meshes", "mesh", m), "primitives", where);
        for (std::uint64_t p = 0; p < primitives.size(); ++p) {
            plans.push_back(reader.plan(primitives[static_cast<std::size_t>(p)],
                                        where + ": primitive " + std::to_string(p)));
            // Each count is below 2^64 / 1: within one buffer; sums of many are kept from wrapping.
            points = plans.back().points.count > std::numeric_limits<std::uint64_t>::max() - points
                         ? std::numeric_limits<std::uint64_t>::max()
                         : points + plans.back().points.count;
            corners = plans.back().corners() > std::numeric_limits<std::uint64_t>::max() - corners
                          ? std::numeric_limits<std::uint64_t>::max()
                          : corners + plans.back().corners();
        }
    }
    if (points == 0) throw HostError::at(path, "no mesh primitive with POSITION values");
    if (points > std::numeric_limits<std::uint32_t>::max())
        throw HostError::at(path,
                            std::to_string(points) + " points, more than 32-bit indices can name");
    budget.take(fields.file(), points, corners);

    Mesh mesh;
    mesh.sourceFile = path.string();
    auto surface = std::make_shared<MeshSurface>();
    mesh.points.reserve(static_cast<std::size_t>(points));
    surface->triangles.reserve(static_cast<std::size_t>(corners));
    for (const PrimitivePlan &plan : plans) reader.read(plan, mesh, *surface);
    const bool anyTexcoords =
        std::any_of(plans.begin(), plans.end(),
                    [](const PrimitivePlan &plan) { return plan.texcoords.has_value(); });
    if (!anyTexcoords) surface->texcoords.clear();
    mesh.surface = std::move(surface);
    return mesh;
}

Mesh readGltfMesh(const fs::path &path) {
    PointBudget budget;
    return readGltfMesh(path, budget);
}

}  // namespace formats
