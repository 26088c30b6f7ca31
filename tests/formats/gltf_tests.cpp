// glTF files: what the writers put in reads back through tinygltf as the same floats, frame by
// frame; glTF meshes read primitive after primitive in accessor order; features we cannot honour
// are named in a one-line error; OBJ faces and texture coordinates travel as one vertex per point.
#include <gtest/gtest.h>

#include <tiny_gltf.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <span>

#include "formats/glb_animation_layout.h"
#include "formats/gltf_mesh.h"
#include "formats/gltf_writer.h"
#include "formats/mesh_surface.h"
#include "formats/obj_mesh.h"
#include "hostsim/host_error.h"
#include "testkit/scratch_folder.h"

namespace {

using Float3 = std::array<float, 3>;
using hostsim::Position;

tinygltf::Model loadGlb(const std::filesystem::path &path) {
    tinygltf::TinyGLTF loader;
    tinygltf::Model model;
    std::string error, warning;
    EXPECT_TRUE(loader.LoadBinaryFromFile(&model, &error, &warning, path.string())) << error;
    return model;
}

std::vector<Float3> floats3(const tinygltf::Model &model, int accessorIndex) {
    const tinygltf::Accessor &accessor =
        model.accessors.at(static_cast<std::size_t>(accessorIndex));
    const tinygltf::BufferView &view =
        model.bufferViews.at(static_cast<std::size_t>(accessor.bufferView));
    const unsigned char *data =
        model.buffers.at(static_cast<std::size_t>(view.buffer)).data.data() + view.byteOffset +
        accessor.byteOffset;
    std::vector<Float3> out(accessor.count);
    std::memcpy(out.data(), data, accessor.count * sizeof(Float3));
    return out;
}

// A morph offset added to the base gives the turned float exactly where some float offset can;
// where none can (the turned point has finer steps than the offset), it is the nearest float either
// side.
bool withinOneFloatStep(float read, float expected) {
    return read == expected || read == std::nextafter(expected, 1e30f) ||
           read == std::nextafter(expected, -1e30f);
}

// Two cards, the second one with points that a turn moves by odd amounts.
hostsim::Mesh twoCards() {
    hostsim::Mesh mesh;
    mesh.points = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0},    {0, 1, 0},
                   {2, 0, 1}, {3, 0, 1}, {3, 1, 1.5f}, {2, 1, 1.5f}};
    return mesh;
}

std::vector<Position> turned(const hostsim::Mesh &mesh, double by) {
    std::vector<Position> out;
    for (const Float3 &p : mesh.points)
        out.push_back(
            {p[0] + 0.1 * by, p[1] * std::cos(by) + 1e-7 * by, p[2] - std::sin(by) / 3.0});
    return out;
}

TEST(GltfAnimation, EveryFrameReadsBackAsTheTurnedFloatsWithDoubleSidedMaterial) {
    testkit::ScratchFolder dir;
    const hostsim::Mesh mesh = twoCards();
    formats::GltfAnimationWriter writer(mesh, formats::surfaceOf(mesh, 4), "Cards",
                                        dir.path() / "cards.glb");
    const std::vector<double> seconds{0.0, 1.0 / 24, 2.0 / 24};
    for (std::size_t f = 0; f < seconds.size(); ++f)
        writer.addFrame(static_cast<std::int32_t>(f), seconds[f],
                        turned(mesh, 0.37 * static_cast<double>(f + 1)));
    writer.write(dir.path() / "cards.glb");

    const tinygltf::Model model = loadGlb(dir.path() / "cards.glb");
    ASSERT_EQ(model.meshes.size(), 1u);
    const tinygltf::Primitive &primitive = model.meshes[0].primitives.at(0);
    EXPECT_EQ(floats3(model, primitive.attributes.at("POSITION")), mesh.points)
        << "the base mesh keeps the point order";
    ASSERT_EQ(primitive.targets.size(), seconds.size());
    for (std::size_t f = 0; f < seconds.size(); ++f) {
        SCOPED_TRACE("frame " + std::to_string(f));
        const std::vector<Float3> offsets = floats3(model, primitive.targets[f].at("POSITION"));
        const std::vector<Position> expected = turned(mesh, 0.37 * static_cast<double>(f + 1));
        for (std::size_t i = 0; i < mesh.points.size(); ++i)
            for (std::size_t a = 0; a < 3; ++a)
                EXPECT_TRUE(withinOneFloatStep(mesh.points[i][a] + offsets[i][a],
                                               static_cast<float>(expected[i][a])))
                    << i;
    }
    EXPECT_TRUE(model.materials.at(0).doubleSided);
    ASSERT_EQ(model.animations.size(), 1u);
    EXPECT_EQ(model.animations[0].samplers.at(0).interpolation, "STEP");
    EXPECT_EQ(model.animations[0].channels.at(0).target_path, "weights");
    EXPECT_EQ(
        model.accessors.at(static_cast<std::size_t>(model.animations[0].samplers[0].output)).count,
        9u)
        << "a weight per target and key";
}

// An animation made again from another one's base mesh and offsets, read back by its layout, is
// the same file; its targets are named by the frame numbers given.
TEST(GltfAnimation, MadeAgainFromItsPartsItIsTheSameBytes) {
    testkit::ScratchFolder dir;
    const hostsim::Mesh mesh = twoCards();
    formats::GltfAnimationWriter first(mesh, formats::surfaceOf(mesh, 4), "Cards",
                                       dir.path() / "first.glb");
    for (const std::int32_t frame : {12, 13, 14})
        first.addFrame(frame, frame / 24.0, turned(mesh, 0.2 * frame));
    const formats::GlbAnimationLayout layout = first.write(dir.path() / "first.glb");
    EXPECT_EQ(layout.points, 8u);
    EXPECT_EQ(layout.corners, 12u);
    EXPECT_EQ(layout.frames, 3u);

    formats::GlbAnimationParts parts(dir.path() / "first.glb", layout);
    const hostsim::Mesh base = parts.baseMesh();
    EXPECT_EQ(base.points, mesh.points);
    formats::GltfAnimationWriter again(base, parts.surface(), "Cards", dir.path() / "again.glb");
    for (std::uint64_t f = 0; f < 3; ++f) {
        std::uint64_t next = 0;
        again.addOffsets(static_cast<std::int32_t>(12 + f), (12.0 + f) / 24.0,
                         [&](std::span<std::array<float, 3>> into) {
                             parts.readOffsets(f, next, into);
                             next += into.size();
                         });
    }
    again.write(dir.path() / "again.glb");
    EXPECT_TRUE(testkit::fileText(dir.path() / "again.glb") ==
                testkit::fileText(dir.path() / "first.glb"));
    EXPECT_NE(testkit::fileText(dir.path() / "first.glb").find("\"frame 13\""), std::string::npos);
}

// The parts of a file that is not what its layout says are refused, never read past.
TEST(GltfAnimation, PartsRefuseAFileOfAnotherLayout) {
    testkit::ScratchFolder dir;
    const hostsim::Mesh mesh = twoCards();
    formats::GltfAnimationWriter writer(mesh, formats::surfaceOf(mesh, 4), "Cards",
                                        dir.path() / "cards.glb");
    writer.addFrame(0, 0.0, turned(mesh, 1.0));
    const formats::GlbAnimationLayout layout = writer.write(dir.path() / "cards.glb");
    for (formats::GlbAnimationLayout other :
         {formats::GlbAnimationLayout{9, 12, true, 1}, formats::GlbAnimationLayout{8, 12, true, 2},
          formats::GlbAnimationLayout{8, 12, !layout.texcoords, 1},
          formats::GlbAnimationLayout{std::uint64_t{1} << 40, 12, true, 1},
          formats::GlbAnimationLayout{8, 12, true, std::uint64_t{1} << 33}})
        EXPECT_THROW(formats::GlbAnimationParts(dir.path() / "cards.glb", other),
                     hostsim::HostError);
    // A triangle naming a point beyond the mesh, in a file of the right sizes.
    std::string bytes = testkit::fileText(dir.path() / "cards.glb");
    const std::size_t bin = bytes.find("BIN") + 4;
    const std::uint32_t far = 99;
    std::memcpy(bytes.data() + bin + 8 * (12 + 12 + (layout.texcoords ? 8 : 0)), &far, 4);
    std::ofstream(dir.path() / "bad.glb", std::ios::binary) << bytes;
    formats::GlbAnimationParts parts(dir.path() / "bad.glb", layout);
    EXPECT_THROW(parts.surface(), hostsim::HostError);
    EXPECT_THROW(formats::GlbAnimationParts(dir.path() / "missing.glb", layout),
                 hostsim::HostError);
}

TEST(GltfMesh, WrittenTurnedMeshReadsBackWithItsPointsAndFaces) {
    testkit::ScratchFolder dir;
    const hostsim::Mesh mesh = twoCards();
    const std::vector<Position> moved = turned(mesh, 1.0);
    formats::writeGltfMesh(dir.path() / "turned.glb", mesh, formats::surfaceOf(mesh, 4), moved,
                           "Cards");
    const hostsim::Mesh back = formats::readGltfMesh(dir.path() / "turned.glb");
    ASSERT_EQ(back.points.size(), moved.size());
    for (std::size_t i = 0; i < moved.size(); ++i)
        for (std::size_t a = 0; a < 3; ++a)
            EXPECT_EQ(back.points[i][a], static_cast<float>(moved[i][a]));
    ASSERT_TRUE(back.surface);
    EXPECT_EQ(back.surface->triangles,
              (std::vector<std::uint32_t>{0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7}))
        << "each leaf fanned";
}

// A .gltf file of two primitives, written through tinygltf with the buffer embedded.
tinygltf::Model twoPrimitives() {
    tinygltf::Model model;
    model.asset.version = "2.0";
    const std::vector<float> values{0, 0, 0, 1, 0, 0, 1, 1, 0, 5, 5, 5, 6, 5, 5, 6, 6, 5};
    model.buffers.emplace_back();
    model.buffers[0].data.resize(values.size() * sizeof(float));
    std::memcpy(model.buffers[0].data.data(), values.data(), model.buffers[0].data.size());
    for (std::size_t p = 0; p < 2; ++p) {
        tinygltf::BufferView view;
        view.buffer = 0;
        view.byteOffset = p * 36;
        view.byteLength = 36;
        model.bufferViews.push_back(view);
        tinygltf::Accessor accessor;
        accessor.bufferView = static_cast<int>(p);
        accessor.componentType = TINYGLTF_COMPONENT_TYPE_FLOAT;
        accessor.type = TINYGLTF_TYPE_VEC3;
        accessor.count = 3;
        accessor.minValues = {0, 0, 0};
        accessor.maxValues = {6, 6, 5};
        model.accessors.push_back(accessor);
    }
    tinygltf::Mesh mesh;
    // The second primitive's accessor comes first, so that the order is the primitives', not the
    // accessors'.
    for (int accessor : {1, 0}) {
        tinygltf::Primitive primitive;
        primitive.attributes["POSITION"] = accessor;
        primitive.mode = TINYGLTF_MODE_TRIANGLES;
        mesh.primitives.push_back(primitive);
    }
    model.meshes.push_back(mesh);
    return model;
}

std::filesystem::path saveGltf(tinygltf::Model model, const std::filesystem::path &path) {
    tinygltf::TinyGLTF writer;
    EXPECT_TRUE(writer.WriteGltfSceneToFile(&model, path.string(), false, true, true, false));
    return path;
}

TEST(GltfMesh, PointsArePrimitiveAfterPrimitiveInAccessorOrder) {
    testkit::ScratchFolder dir;
    const hostsim::Mesh mesh =
        formats::readGltfMesh(saveGltf(twoPrimitives(), dir.path() / "two.gltf"));
    EXPECT_EQ(mesh.points, (std::vector<Float3>{
                               {5, 5, 5}, {6, 5, 5}, {6, 6, 5}, {0, 0, 0}, {1, 0, 0}, {1, 1, 0}}));
    EXPECT_EQ(mesh.surface->triangles, (std::vector<std::uint32_t>{0, 1, 2, 3, 4, 5}));
}

void expectRefused(const tinygltf::Model &model, const std::filesystem::path &path,
                   const std::string &named) {
    try {
        formats::readGltfMesh(saveGltf(model, path));
        ADD_FAILURE() << "read without error";
    } catch (const hostsim::HostError &error) {
        const std::string what = error.what();
        EXPECT_NE(what.find(named), std::string::npos) << what;
        EXPECT_EQ(what.find('\n'), std::string::npos) << "one line";
        EXPECT_EQ(what.rfind(path.string(), 0), 0u) << "starts with the file";
    }
}

TEST(GltfMesh, SparseAccessorsDracoAndSkinsAreRefusedByName) {
    testkit::ScratchFolder dir;
    tinygltf::Model sparse = twoPrimitives();
    sparse.accessors[0].sparse.isSparse = true;
    sparse.accessors[0].sparse.count = 1;
    sparse.accessors[0].sparse.indices.bufferView = 0;
    sparse.accessors[0].sparse.indices.componentType = TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT;
    sparse.accessors[0].sparse.values.bufferView = 1;
    expectRefused(sparse, dir.path() / "sparse.gltf", "sparse accessors");

    tinygltf::Model draco = twoPrimitives();
    draco.extensionsUsed.push_back("KHR_draco_mesh_compression");
    draco.extensionsRequired.push_back("KHR_draco_mesh_compression");
    expectRefused(draco, dir.path() / "draco.gltf", "Draco");

    tinygltf::Model skinned = twoPrimitives();
    skinned.nodes.emplace_back();
    skinned.nodes[0].name = "joint";
    skinned.skins.emplace_back();
    skinned.skins[0].joints.push_back(0);
    expectRefused(skinned, dir.path() / "skin.gltf", "skins");
}

TEST(GltfMesh, MissingOrBrokenFilesGiveOneLineNamingTheFile) {
    testkit::ScratchFolder dir;
    for (const auto &path : {dir.path() / "none.glb", dir.write("broken.gltf", "{ not json")}) {
        try {
            formats::readGltfMesh(path);
            ADD_FAILURE() << path;
        } catch (const hostsim::HostError &error) {
            EXPECT_EQ(std::string(error.what()).rfind(path.string() + ": ", 0), 0u) << error.what();
            EXPECT_EQ(std::string(error.what()).find('\n'), std::string::npos) << error.what();
        }
    }
}

TEST(MeshSurface, ObjFacesAreFannedAndTextureCoordinatesGoOnePerPoint) {
    testkit::ScratchFolder dir;
    const hostsim::Mesh mesh =
        formats::readObjMesh(dir.write("card.obj",
                                       "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 9 9 9\nvt 0 0\nvt 1 "
                                       "0\nvt 1 1\nvt 0 1\nf 1/1 2/2 3/3 4/4\nl 4 5\n"));
    const formats::MeshSurface surface = formats::surfaceOf(mesh, 4);
    EXPECT_EQ(surface.triangles, (std::vector<std::uint32_t>{0, 1, 2, 0, 2, 3}));
    EXPECT_EQ(surface.texcoords,
              (std::vector<std::array<float, 2>>{{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}}))
        << "a point without one gets 0,0";
}

TEST(MeshSurface, GltfMeshWrittenAsObjKeepsItsFaces) {
    testkit::ScratchFolder dir;
    const hostsim::Mesh mesh = twoCards();
    formats::writeGltfMesh(dir.path() / "cards.glb", mesh, formats::surfaceOf(mesh, 4),
                           turned(mesh, 0.0), "Cards");
    const hostsim::Mesh read = formats::readGltfMesh(dir.path() / "cards.glb");
    const std::vector<Position> same = hostsim::toPositions(read.points);
    const std::string obj = formats::objMeshText(read, same);
    EXPECT_NE(obj.find("\nf 1 2 3\nf 1 3 4\nf 5 6 7\n"), std::string::npos) << obj;
}

TEST(MeshSurface, TexturedGltfMeshWrittenAsObjNamesEachCornersTextureCoordinate) {
    hostsim::Mesh mesh;
    mesh.points = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    auto surface = std::make_shared<formats::MeshSurface>();
    surface->triangles = {0, 1, 2, 0, 2, 3};
    surface->texcoords = {{0, 0}, {1, 0}, {1, 0.75f}, {0.1f, 1}};
    mesh.surface = surface;
    const std::vector<Position> moved{{0, 0, 0}, {1, 0, 0}, {1, 1, -0.5}, {0, 1, 1e-7}};
    EXPECT_EQ(formats::objMeshText(mesh, moved),
              "v 0 0 0\nv 1 0 0\nv 1 1 -0.5\nv 0 1 1e-07\nvt 0 0\nvt 1 0\nvt 1 0.75\nvt 0.1 1\nf "
              "1/1 2/2 3/3\nf 1/1 3/3 4/4\n");
}

}  // namespace
