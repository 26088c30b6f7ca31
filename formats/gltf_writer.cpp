// Building the glTF model: one buffer, views for indices, points, normals, texture coordinates and
// each morph target, one node, one animation.
#include "formats/gltf_writer.h"

#include <tiny_gltf.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <sstream>

#include "formats/glb_container.h"
#include "formats/text/scratch_file.h"
#include "formats/text/text_file.h"
#include "hostsim/host_error.h"

namespace formats {

using hostsim::HostError;
using hostsim::Mesh;
namespace {

using Float3 = std::array<float, 3>;

// What a VEC3 accessor states as its min and max: per axis, over the floats as doubles (a NaN
// changes neither); zeros for no values.
struct VectorBounds {
    std::array<double, 3> min{0.0, 0.0, 0.0}, max{0.0, 0.0, 0.0};
};

template <class T>
std::span<const unsigned char> bytesOf(std::span<const T> values) {
    return {reinterpret_cast<const unsigned char *>(values.data()), values.size_bytes()};
}

VectorBounds boundsOf(std::span<const Float3> values) {
    VectorBounds bounds;
    if (values.empty()) return bounds;
    bounds.min.fill(std::numeric_limits<double>::infinity());
    bounds.max.fill(-std::numeric_limits<double>::infinity());
    for (const Float3 &v : values)
        for (std::size_t a = 0; a < 3; ++a) {
            bounds.min[a] = std::min(bounds.min[a], static_cast<double>(v[a]));
            bounds.max[a] = std::max(bounds.max[a], static_cast<double>(v[a]));
        }
    return bounds;
}

// Takes some of a buffer's bytes.
using PartSink = std::function<void(std::span<const unsigned char>)>;

// The model and its one buffer, whose bytes come in three parts: those made here before the first
// spooled view (the head), the spooled views' bytes, which stay in their file, and those made after
// (the tail). The model's own buffer stays empty; save() writes the parts in turn. A part is copied
// in, or, for bytes that outlive the builder (the mesh's points and faces), only pointed at.
class ModelBuilder {
  public:
    explicit ModelBuilder(const std::string &name) {
        model_.asset.version = "2.0";
        model_.asset.generator = "vistrelle";
        model_.buffers.emplace_back();
        model_.buffers[0].name = name;
    }

    std::uint64_t length() const { return headLength_ + spooled_ + tail_.size(); }

    // Appends a copy of the bytes as a buffer view, 4-byte aligned; returns the view's index.
    int addView(const void *data, std::size_t bytes, int target) {
        const auto *begin = static_cast<const unsigned char *>(data);
        if (spooled_ != 0) {
            while (length() % 4 != 0) tail_.push_back(0);
            const int view = addViewAt(bytes, target);
            tail_.insert(tail_.end(), begin, begin + bytes);
            return view;
        }
        padHead();
        const int view = addViewAt(bytes, target);
        keep(std::vector<unsigned char>(begin, begin + bytes));
        return view;
    }

    // A view of bytes that stay where they are, unchanged, until save(); before any spooled view.
    int addBorrowedView(std::span<const unsigned char> bytes, int target) {
        padHead();
        const int view = addViewAt(bytes.size(), target);
        head_.push_back({bytes, {}, {}});
        headLength_ += bytes.size();
        return view;
    }

    // A view of `bytes` bytes that `make` hands to its sink, in pieces, when the file is written;
    // before any spooled view.
    int addMadeView(std::size_t bytes, std::function<void(const PartSink &)> make, int target) {
        padHead();
        const int view = addViewAt(bytes, target);
        head_.push_back({{}, {}, std::move(make)});
        headLength_ += bytes;
        return view;
    }

    // A view of `bytes` bytes that follow the spooled ones so far in the spool; only before any
    // tail, and of whole floats, so that every spooled view stays 4-byte aligned.
    int addSpooledView(std::size_t bytes, int target) {
        padHead();
        const int view = addViewAt(bytes, target);
        spooled_ += bytes;
        return view;
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

    // `values` as a VEC3 float accessor, borrowed; with their bounds when `withBounds`.
    int addVectors(std::span<const Float3> values, int target, bool withBounds) {
        return addVectorAccessor(addBorrowedView(bytesOf(values), target), values, withBounds);
    }

    int addVectorAccessor(int view, std::span<const Float3> values, bool withBounds) {
        std::vector<double> min, max;
        if (withBounds) {
            const VectorBounds bounds = boundsOf(values);
            min.assign(bounds.min.begin(), bounds.min.end());
            max.assign(bounds.max.begin(), bounds.max.end());
        }
        return addAccessor(view, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3, values.size(),
                           min, max);
    }

    tinygltf::Model &model() { return model_; }

    // Hands every part of the buffer before the spooled bytes to `sink`, in order.
    void eachHeadPart(const PartSink &sink) const {
        for (const HeadPart &part : head_) {
            if (part.make)
                part.make(sink);
            else
                sink(part.bytes);
        }
    }
    const std::vector<unsigned char> &tail() const { return tail_; }

  private:
    int addViewAt(std::size_t bytes, int target) {
        tinygltf::BufferView view;
        view.buffer = 0;
        view.byteOffset = static_cast<std::size_t>(length());
        view.byteLength = bytes;
        view.target = target;
        model_.bufferViews.push_back(view);
        return static_cast<int>(model_.bufferViews.size() - 1);
    }

    void padHead() {
        if (length() % 4 != 0) keep(std::vector<unsigned char>(4 - length() % 4, 0));
    }

    // A part of the head that the builder owns.
    void keep(std::vector<unsigned char> bytes) {
        head_.push_back({{}, std::move(bytes), {}});
        HeadPart &part = head_.back();
        part.bytes = part.owned;
        headLength_ += part.bytes.size();
    }

    // Bytes pointed at, owned, or made when written.
    struct HeadPart {
        std::span<const unsigned char> bytes;
        std::vector<unsigned char> owned;
        std::function<void(const PartSink &)> make;
    };

    tinygltf::Model model_;
    std::vector<HeadPart> head_;
    std::uint64_t headLength_ = 0;
    std::vector<unsigned char> tail_;
    std::uint64_t spooled_ = 0;
};

// Unit normals per point: the sum of the area-weighted normals of the triangles using it; a point
// no triangle with area uses gets +Z, since glTF normals must be unit length. Handed to `take` a
// block of points at a time, each block's sums made over every triangle in order, so that they take
// a bounded part of memory and every point's sum adds its triangles in the same order.
void eachNormalBlock(std::span<const Float3> points, std::span<const std::uint32_t> triangles,
                     const std::function<void(std::span<const Float3>)> &take) {
    constexpr std::size_t block = std::size_t{1} << 16;
    std::vector<std::array<double, 3>> sums(std::min(block, points.size()));
    std::vector<Float3> normals(sums.size());
    for (std::size_t first = 0; first < points.size(); first += block) {
        const std::size_t count = std::min(block, points.size() - first);
        std::fill_n(sums.begin(), count, std::array<double, 3>{0.0, 0.0, 0.0});
        const auto inBlock = [&](std::uint32_t c) { return c >= first && c - first < count; };
        for (std::size_t t = 0; t + 2 < triangles.size(); t += 3) {
            const std::uint32_t corners[3] = {triangles[t], triangles[t + 1], triangles[t + 2]};
            if (std::none_of(std::begin(corners), std::end(corners), inBlock)) continue;
            const Float3 &a = points[corners[0]];
            const Float3 &b = points[corners[1]];
            const Float3 &c = points[corners[2]];
            const double u[3] = {double(b[0]) - a[0], double(b[1]) - a[1], double(b[2]) - a[2]};
            const double v[3] = {double(c[0]) - a[0], double(c[1]) - a[1], double(c[2]) - a[2]};
            const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                                 u[0] * v[1] - u[1] * v[0]};
            for (const std::uint32_t corner : corners)
                if (inBlock(corner))
                    for (std::size_t axis = 0; axis < 3; ++axis)
                        sums[corner - first][axis] += n[axis];
        }
        for (std::size_t k = 0; k < count; ++k) {
            const auto &s = sums[k];
            const double length = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
            normals[k] =
                length > 0.0 && std::isfinite(length)
                    ? Float3{static_cast<float>(s[0] / length), static_cast<float>(s[1] / length),
                             static_cast<float>(s[2] / length)}
                    : Float3{0.0f, 0.0f, 1.0f};
        }
        take({normals.data(), count});
    }
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
    // The normals are made block by block as the file is written.
    const std::span<const std::uint32_t> triangles = surface.triangles;
    primitive.attributes["NORMAL"] = builder.addAccessor(
        builder.addMadeView(
            points.size_bytes(),
            [points, triangles](const PartSink &sink) {
                eachNormalBlock(points, triangles,
                                [&](std::span<const Float3> normals) { sink(bytesOf(normals)); });
            },
            TINYGLTF_TARGET_ARRAY_BUFFER),
        TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3, points.size());
    if (surface.texcoords.size() == points.size() && !points.empty()) {
        const int view = builder.addBorrowedView(
            bytesOf(std::span<const std::array<float, 2>>(surface.texcoords)),
            TINYGLTF_TARGET_ARRAY_BUFFER);
        primitive.attributes["TEXCOORD_0"] = builder.addAccessor(
            view, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC2, points.size());
    }
    if (!surface.triangles.empty()) {
        primitive.mode = TINYGLTF_MODE_TRIANGLES;
        const int view =
            builder.addBorrowedView(bytesOf(std::span<const std::uint32_t>(surface.triangles)),
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

// The .glb is saved like every other output: whole or not at all, through links, keeping the
// file's mode. tinygltf makes the JSON of a model whose buffer is empty; its byteLength is then set
// to the three parts' length, and the container is laid out as tinygltf lays it out: the JSON
// padded with spaces, the BIN chunk (when there are bytes) padded with zeros, to 4 bytes each.
void save(ModelBuilder &builder, const std::filesystem::path &path, ScratchFile *spool) {
    tinygltf::TinyGLTF writer;
    std::ostringstream glb;
    if (!writer.WriteGltfSceneToStream(&builder.model(), glb, false, true))
        throw HostError::at(path, "cannot make the glTF file");
    const std::string made = glb.str();
    const auto *madeBytes = reinterpret_cast<const unsigned char *>(made.data());
    std::string json(splitGlb({madeBytes, made.size()}, path.string()).json);
    while (!json.empty() && json.back() == ' ') json.pop_back();
    const std::string empty = "\"buffers\":[{\"byteLength\":0";
    const std::size_t at = json.find(empty);
    if (at == std::string::npos) throw HostError::at(path, "cannot make the glTF file's JSON");
    const std::uint64_t binary = builder.length();
    json.replace(at, empty.size(), empty.substr(0, empty.size() - 1) + std::to_string(binary));
    const std::uint64_t jsonPadded = (json.size() + 3) / 4 * 4;
    const std::uint64_t binaryPadded = (binary + 3) / 4 * 4;
    const std::uint64_t total = 12 + 8 + jsonPadded + (binary != 0 ? 8 + binaryPadded : 0);
    if (total > std::numeric_limits<std::uint32_t>::max())
        throw HostError::at(path, "a binary glTF file holds at most 4 GiB; this one would be " +
                                      std::to_string(total) + " bytes");

    replaceFileWith(path, [&](const TextSink &sink) {
        const auto words = [&](std::initializer_list<std::uint32_t> values) {
            for (const std::uint32_t v : values) {
                const char little[4] = {
                    static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF),
                    static_cast<char>(v >> 16 & 0xFF), static_cast<char>(v >> 24 & 0xFF)};
                sink({little, sizeof little});
            }
        };
        const auto bytes = [&](const std::vector<unsigned char> &part) {
            sink({reinterpret_cast<const char *>(part.data()), part.size()});
        };
        words({0x46546C67, 2, static_cast<std::uint32_t>(total)});    // "glTF", version 2
        words({static_cast<std::uint32_t>(jsonPadded), 0x4E4F534A});  // "JSON"
        sink(json);
        sink(std::string(static_cast<std::size_t>(jsonPadded - json.size()), ' '));
        if (binary == 0) return;
        words({static_cast<std::uint32_t>(binaryPadded), 0x004E4942});  // "BIN\0"
        builder.eachHeadPart([&](std::span<const unsigned char> part) {
            sink({reinterpret_cast<const char *>(part.data()), part.size()});
        });
        if (spool != nullptr) spool->readBack(sink);
        bytes(builder.tail());
        sink(std::string(static_cast<std::size_t>(binaryPadded - binary), '\0'));
    });
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

GltfAnimationWriter::GltfAnimationWriter(const Mesh &base, MeshSurface surface, std::string name,
                                         const std::filesystem::path &output)
    : GltfAnimationWriter(
          base, [kept = std::make_shared<const MeshSurface>(std::move(surface))] { return *kept; },
          std::move(name), output) {}

GltfAnimationWriter::GltfAnimationWriter(const Mesh &base, std::function<MeshSurface()> surface,
                                         std::string name, const std::filesystem::path &output)
    : base_(base), surface_(std::move(surface)), name_(std::move(name)) {
    spoolBeside_ = writtenFile(output);
}

GltfAnimationWriter::~GltfAnimationWriter() = default;

void GltfAnimationWriter::addFrame(std::int32_t frame, double seconds,
                                   std::span<const hostsim::Position> displaced) {
    checkCount(base_.points.size(), displaced.size());
    spoolFrame(frame, seconds, [&](std::size_t first, std::span<Float3> offsets) {
        for (std::size_t k = 0; k < offsets.size(); ++k) {
            const Float3 turned = hostsim::toFloats(displaced[first + k]);
            for (std::size_t a = 0; a < 3; ++a)
                offsets[k][a] = exactOffset(base_.points[first + k][a], turned[a]);
        }
    });
}

void GltfAnimationWriter::addOffsets(std::int32_t frame, double seconds,
                                     const std::function<void(std::span<Float3>)> &read) {
    spoolFrame(frame, seconds, [&](std::size_t, std::span<Float3> offsets) { read(offsets); });
}

void GltfAnimationWriter::spoolFrame(
    std::int32_t frame, double seconds,
    const std::function<void(std::size_t, std::span<Float3>)> &fill) {
    const std::size_t points = base_.points.size();
    // A new file of this process's alone, made beside the output at the first frame.
    if (spool_ == nullptr) spool_ = std::make_unique<ScratchFile>(spoolBeside_, "offsets");
    // A block of offsets at a time, so that a frame takes no memory in proportion to its points.
    constexpr std::size_t block = 1 << 14;
    std::vector<Float3> offsets(std::min(block, points));
    VectorBounds bounds;
    for (std::size_t first = 0; first < points; first += block) {
        const std::size_t count = std::min(block, points - first);
        fill(first, {offsets.data(), count});
        spool_->append({reinterpret_cast<const char *>(offsets.data()), count * sizeof(Float3)});
        const VectorBounds part = boundsOf({offsets.data(), count});
        for (std::size_t a = 0; a < 3; ++a) {
            bounds.min[a] = first == 0 ? part.min[a] : std::min(bounds.min[a], part.min[a]);
            bounds.max[a] = first == 0 ? part.max[a] : std::max(bounds.max[a], part.max[a]);
        }
    }
    bounds_.push_back({bounds.min, bounds.max});
    numbers_.push_back(frame);
    times_.push_back(static_cast<float>(seconds));
}

GlbAnimationLayout GltfAnimationWriter::write(const std::filesystem::path &path) const {
    ModelBuilder builder(name_);
    const MeshSurface surface = surface_();
    const GlbAnimationLayout layout{
        base_.points.size(), surface.triangles.size(),
        surface.texcoords.size() == base_.points.size() && !base_.points.empty(), times_.size()};
    tinygltf::Primitive &primitive = addMesh(builder, base_.points, surface, name_);
    tinygltf::Value::Array targetNames;
    const std::size_t frames = times_.size();
    for (std::size_t f = 0; f < frames; ++f) {
        const Bounds &b = bounds_[f];
        const int view = builder.addSpooledView(base_.points.size() * sizeof(Float3),
                                                TINYGLTF_TARGET_ARRAY_BUFFER);
        primitive.targets.push_back(
            {{"POSITION",
              builder.addAccessor(view, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3,
                                  base_.points.size(), {b.min.begin(), b.min.end()},
                                  {b.max.begin(), b.max.end()})}});
        targetNames.emplace_back("frame " + std::to_string(numbers_[f]));
    }
    tinygltf::Model &model = builder.model();
    model.meshes[0].weights.assign(frames, 0.0);
    tinygltf::Value::Object extras;
    extras["targetNames"] = tinygltf::Value(targetNames);
    model.meshes[0].extras = tinygltf::Value(extras);
    if (frames == 0) {
        save(builder, path, nullptr);
        return layout;
    }

    // Keys in time order: at each frame's time, its own target at weight 1 and every other at 0.
    std::vector<float> weights(frames * frames, 0.0f);
    for (std::size_t f = 0; f < frames; ++f) weights[f * frames + f] = 1.0f;
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
    save(builder, path, spool_.get());
    return layout;
}

void writeGltfMesh(const std::filesystem::path &path, const Mesh &base, const MeshSurface &surface,
                   std::span<const hostsim::Position> displaced, const std::string &name) {
    checkCount(base.points.size(), displaced.size());
    std::vector<Float3> turned(displaced.size());
    for (std::size_t i = 0; i < displaced.size(); ++i) turned[i] = hostsim::toFloats(displaced[i]);
    ModelBuilder builder(name);
    addMesh(builder, turned, surface, name);
    save(builder, path, nullptr);
}

}  // namespace formats
