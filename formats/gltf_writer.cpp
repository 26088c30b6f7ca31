// Building the glTF model: one buffer, views for indices, points, normals, texture coordinates and
// each morph target, one node, one animation.
#include "formats/gltf_writer.h"

#include <tiny_gltf.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <sstream>

#include "formats/text/text_file.h"
#include "hostsim/host_error.h"

namespace formats {

using hostsim::HostError;
using hostsim::Mesh;
namespace {

using Float3 = std::array<float, 3>;

class ModelBuilder {
  public:
    explicit ModelBuilder(const std::string &name) {
        model_.asset.version = "2.0";
        model_.asset.generator = "vistrelle";
        model_.buffers.emplace_back();
        model_.buffers[0].name = name;
    }

    // Appends the bytes as a buffer view, 4-byte aligned, and returns the view's index.
    int addView(const void *data, std::size_t bytes, int target) {
        std::vector<unsigned char> &buffer = model_.buffers[0].data;
        while (buffer.size() % 4 != 0) buffer.push_back(0);
        tinygltf::BufferView view;
        view.buffer = 0;
        view.byteOffset = buffer.size();
        view.byteLength = bytes;
        view.target = target;
        const auto *begin = static_cast<const unsigned char *>(data);
        buffer.insert(buffer.end(), begin, begin + bytes);
        model_.bufferViews.push_back(view);
        return static_cast<int>(model_.bufferViews.size() - 1);
    }

    int addAccessor(int view, int componentType, int type, std::size_t count,
                    std::vector<double> min = {}, std::vector<double> max = {}) {
        tinygltf::Accessor accessor;
        accessor.bufferView = view;
        accessor.componentType = componentType;
        accessor.type = type;
        accessor.count = count;
        accessor.minValues = std::move(min);
        accessor.maxValues = std::move(max);
        model_.accessors.push_back(accessor);
        return static_cast<int>(model_.accessors.size() - 1);
    }

    int addVectors(std::span<const Float3> values, int target, bool withBounds) {
        const int view = addView(values.data(), values.size_bytes(), target);
        std::vector<double> min, max;
        if (withBounds) {
            min.assign(3, values.empty() ? 0.0 : std::numeric_limits<double>::infinity());
            max.assign(3, values.empty() ? 0.0 : -std::numeric_limits<double>::infinity());
            for (const Float3 &v : values)
                for (std::size_t a = 0; a < 3; ++a) {
                    min[a] = std::min(min[a], static_cast<double>(v[a]));
                    max[a] = std::max(max[a], static_cast<double>(v[a]));
                }
        }
        return addAccessor(view, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3, values.size(),
                           min, max);
    }

    tinygltf::Model &model() { return model_; }

  private:
    tinygltf::Model model_;
};

// Unit normals per point: the sum of the area-weighted normals of the triangles using it; a point
// no triangle with area uses gets +Z, since glTF normals must be unit length.
std::vector<Float3> pointNormals(std::span<const Float3> points,
                                 std::span<const std::uint32_t> triangles) {
    std::vector<std::array<double, 3>> sums(points.size(), {0.0, 0.0, 0.0});
    for (std::size_t t = 0; t + 2 < triangles.size(); t += 3) {
        const Float3 &a = points[triangles[t]];
        const Float3 &b = points[triangles[t + 1]];
        const Float3 &c = points[triangles[t + 2]];
        const double u[3] = {double(b[0]) - a[0], double(b[1]) - a[1], double(b[2]) - a[2]};
        const double v[3] = {double(c[0]) - a[0], double(c[1]) - a[1], double(c[2]) - a[2]};
        const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                             u[0] * v[1] - u[1] * v[0]};
        for (int k = 0; k < 3; ++k)
            for (std::size_t axis = 0; axis < 3; ++axis)
                sums[triangles[t + static_cast<std::size_t>(k)]][axis] += n[axis];
    }
    std::vector<Float3> normals(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        const auto &s = sums[i];
        const double length = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
        normals[i] =
            length > 0.0 && std::isfinite(length)
                ? Float3{static_cast<float>(s[0] / length), static_cast<float>(s[1] / length),
                         static_cast<float>(s[2] / length)}
                : Float3{0.0f, 0.0f, 1.0f};
    }
    return normals;
}

// The mesh node and its primitive over `points`; returns the primitive for morph targets to be
// added.
tinygltf::Primitive &addMesh(ModelBuilder &builder, std::span<const Float3> points,
                             const MeshSurface &surface, const std::string &name) {
    tinygltf::Model &model = builder.model();
    tinygltf::Material material;
    material.name = "leaves";
    material.doubleSided = true;
    material.pbrMetallicRoughness.baseColorFactor = {0.36, 0.70, 0.26, 1.0};
    material.pbrMetallicRoughness.metallicFactor = 0.0;
    model.materials.push_back(material);

    tinygltf::Primitive primitive;
    primitive.material = 0;
    primitive.attributes["POSITION"] =
        builder.addVectors(points, TINYGLTF_TARGET_ARRAY_BUFFER, true);
    const std::vector<Float3> normals = pointNormals(points, surface.triangles);
    primitive.attributes["NORMAL"] =
        builder.addVectors(normals, TINYGLTF_TARGET_ARRAY_BUFFER, false);
    if (surface.texcoords.size() == points.size() && !points.empty()) {
        const int view = builder.addView(surface.texcoords.data(),
                                         surface.texcoords.size() * sizeof(surface.texcoords[0]),
                                         TINYGLTF_TARGET_ARRAY_BUFFER);
        primitive.attributes["TEXCOORD_0"] = builder.addAccessor(
            view, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC2, points.size());
    }
    if (!surface.triangles.empty()) {
        primitive.mode = TINYGLTF_MODE_TRIANGLES;
        const int view = builder.addView(surface.triangles.data(),
                                         surface.triangles.size() * sizeof(std::uint32_t),
                                         TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
        primitive.indices = builder.addAccessor(view, TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT,
                                                TINYGLTF_TYPE_SCALAR, surface.triangles.size());
    } else {
        primitive.mode = TINYGLTF_MODE_POINTS;
    }
    tinygltf::Mesh mesh;
    mesh.name = name;
    mesh.primitives.push_back(primitive);
    model.meshes.push_back(mesh);
    tinygltf::Node node;
    node.name = name;
    node.mesh = 0;
    model.nodes.push_back(node);
    tinygltf::Scene scene;
    scene.nodes.push_back(0);
    model.scenes.push_back(scene);
    model.defaultScene = 0;
    return model.meshes[0].primitives[0];
}

// The .glb is made in memory and then saved like every other output: whole or not at all, through
// links, keeping the file's mode.
void save(tinygltf::Model &model, const std::filesystem::path &path) {
    tinygltf::TinyGLTF writer;
    std::ostringstream bytes;
    if (!writer.WriteGltfSceneToStream(&model, bytes, false, true))
        throw HostError::at(path, "cannot make the glTF file");
    replaceFile(path, bytes.str());
}

void checkCount(std::size_t points, std::size_t displaced) {
    if (points != displaced)
        throw HostError("glTF output: " + std::to_string(displaced) +
                        " turned points for a mesh of " + std::to_string(points));
}

// The float offset d nearest turned - base for which base + d, in float, is the turned point.
float exactOffset(float base, float turned) {
    float offset = static_cast<float>(static_cast<double>(turned) - static_cast<double>(base));
    if (base + offset == turned) return offset;
    for (float step :
         {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity()}) {
        float tried = offset;
        for (int i = 0; i < 4; ++i) {
            tried = std::nextafter(tried, step);
            if (base + tried == turned) return tried;
        }
    }
    return offset;
}

}  // namespace

GltfAnimationWriter::GltfAnimationWriter(const Mesh &base, MeshSurface surface, std::string name)
    : base_(base), surface_(std::move(surface)), name_(std::move(name)) {}

void GltfAnimationWriter::addFrame(double seconds, std::span<const hostsim::Position> displaced) {
    checkCount(base_.points.size(), displaced.size());
    std::vector<Float3> offsets(displaced.size());
    for (std::size_t i = 0; i < displaced.size(); ++i) {
        const Float3 turned = hostsim::toFloats(displaced[i]);
        for (std::size_t a = 0; a < 3; ++a)
            offsets[i][a] = exactOffset(base_.points[i][a], turned[a]);
    }
    times_.push_back(static_cast<float>(seconds));
    offsets_.push_back(std::move(offsets));
}

void GltfAnimationWriter::write(const std::filesystem::path &path) const {
    ModelBuilder builder(name_);
    tinygltf::Primitive &primitive = addMesh(builder, base_.points, surface_, name_);
    tinygltf::Value::Array targetNames;
    for (std::size_t f = 0; f < offsets_.size(); ++f) {
        primitive.targets.push_back(
            {{"POSITION", builder.addVectors(offsets_[f], TINYGLTF_TARGET_ARRAY_BUFFER, true)}});
        targetNames.emplace_back("frame " + std::to_string(f));
    }
    tinygltf::Model &model = builder.model();
    model.meshes[0].weights.assign(offsets_.size(), 0.0);
    tinygltf::Value::Object extras;
    extras["targetNames"] = tinygltf::Value(targetNames);
    model.meshes[0].extras = tinygltf::Value(extras);
    if (offsets_.empty()) return save(model, path);

    // Keys in time order: at each frame's time, its own target at weight 1 and every other at 0.
    std::vector<float> weights(offsets_.size() * offsets_.size(), 0.0f);
    for (std::size_t f = 0; f < offsets_.size(); ++f) weights[f * offsets_.size() + f] = 1.0f;
    const auto [low, high] = std::minmax_element(times_.begin(), times_.end());
    const int input =
        builder.addAccessor(builder.addView(times_.data(), times_.size() * sizeof(float), 0),
                            TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_SCALAR, times_.size(),
                            {static_cast<double>(*low)}, {static_cast<double>(*high)});
    const int output =
        builder.addAccessor(builder.addView(weights.data(), weights.size() * sizeof(float), 0),
                            TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_SCALAR, weights.size());
    tinygltf::Animation animation;
    animation.name = "turn toward the target";
    tinygltf::AnimationSampler sampler;
    sampler.input = input;
    sampler.output = output;
    sampler.interpolation = "STEP";
    animation.samplers.push_back(sampler);
    tinygltf::AnimationChannel channel;
    channel.sampler = 0;
    channel.target_node = 0;
    channel.target_path = "weights";
    animation.channels.push_back(channel);
    model.animations.push_back(animation);
    save(model, path);
}

void writeGltfMesh(const std::filesystem::path &path, const Mesh &base, const MeshSurface &surface,
                   std::span<const hostsim::Position> displaced, const std::string &name) {
    checkCount(base.points.size(), displaced.size());
    std::vector<Float3> turned(displaced.size());
    for (std::size_t i = 0; i < displaced.size(); ++i) turned[i] = hostsim::toFloats(displaced[i]);
    ModelBuilder builder(name);
    addMesh(builder, turned, surface, name);
    save(builder.model(), path);
}

}  // namespace formats
