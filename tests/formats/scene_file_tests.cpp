// Scene files: what a person writes reads as meant, a written scene reads back identical, every
// malformed file gives one line naming the file and the place.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <stdexcept>

#include "formats/obj_mesh.h"
#include "formats/scene_file.h"
#include "formats/text/text_file.h"
#include "hostsim/host_error.h"
#include "testkit/scratch_folder.h"

namespace {

using hostsim::HostError;
using hostsim::Point3;
using hostsim::Scene;
using testkit::ScratchFolder;

const std::filesystem::path testData = VISTREL_TEST_DATA;

// Positions and times must come back bit for bit, so every comparison here is exact.
void expectSameScene(const Scene &a, const Scene &b) {
    EXPECT_EQ(a.frames.start, b.frames.start);
    EXPECT_EQ(a.frames.end, b.frames.end);
    EXPECT_EQ(a.frames.framesPerSecond, b.frames.framesPerSecond);
    ASSERT_EQ(a.items.size(), b.items.size());
    for (std::size_t i = 0; i < a.items.size(); ++i) {
        SCOPED_TRACE("item " + a.items[i].name);
        EXPECT_EQ(a.items[i].name, b.items[i].name);
        ASSERT_EQ(a.items[i].motion.keys.size(), b.items[i].motion.keys.size());
        for (std::size_t k = 0; k < a.items[i].motion.keys.size(); ++k) {
            EXPECT_EQ(a.items[i].motion.keys[k].time, b.items[i].motion.keys[k].time);
            EXPECT_EQ(a.items[i].motion.keys[k].position, b.items[i].motion.keys[k].position);
        }
        ASSERT_EQ(a.items[i].mesh.has_value(), b.items[i].mesh.has_value());
        if (a.items[i].mesh) {
            EXPECT_EQ(a.items[i].mesh->points, b.items[i].mesh->points);
            EXPECT_EQ(a.items[i].mesh->sourceFile, b.items[i].mesh->sourceFile);
            EXPECT_EQ(a.items[i].mesh->obj == nullptr, b.items[i].mesh->obj == nullptr);
        }
    }
    ASSERT_EQ(a.displacements.size(), b.displacements.size());
    for (std::size_t d = 0; d < a.displacements.size(); ++d) {
        EXPECT_EQ(a.displacements[d].item, b.displacements[d].item);
        EXPECT_EQ(a.displacements[d].server, b.displacements[d].server);
        EXPECT_EQ(a.displacements[d].data, b.displacements[d].data);
    }
}

hostsim::Item fixedItem(std::string name, Point3 position) {
    return {std::move(name), hostsim::Motion::fixed(position), {}};
}

// --- Reading what a person wrote

TEST(SceneFileReading, HandWrittenSceneReadsAsMeant) {
    const Scene scene = formats::readSceneFile(testData / "garden.json");
    EXPECT_EQ(scene.frames.start, 0);
    EXPECT_EQ(scene.frames.end, 47);
    EXPECT_EQ(scene.frames.framesPerSecond, 24.0);
    ASSERT_EQ(scene.items.size(), 4u);
    EXPECT_EQ(scene.items[0].name, "Camera");
    EXPECT_EQ(scene.items[0].motion.keys.size(), 1u);
    EXPECT_EQ(scene.items[0].motion.keys[0].position, (Point3{0, 1.5, -4}));
    ASSERT_EQ(scene.items[1].motion.keys.size(), 2u);
    EXPECT_EQ(scene.items[1].motion.keys[1].time, 2.0);
    EXPECT_EQ(scene.items[1].motion.keys[1].position, (Point3{3, 1, 0}));
    EXPECT_FALSE(scene.items[1].mesh.has_value());

    ASSERT_TRUE(scene.items[2].mesh.has_value());
    EXPECT_EQ(scene.items[2].mesh->points.size(), 9u);
    EXPECT_EQ(scene.items[2].mesh->sourceFile,
              (testData / "leaves.obj").lexically_normal().string());
    EXPECT_NE(scene.items[2].mesh->obj, nullptr);
    ASSERT_TRUE(scene.items[3].mesh.has_value());
    EXPECT_EQ(scene.items[3].mesh->points,
              (std::vector<std::array<float, 3>>{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}));
    EXPECT_EQ(scene.items[3].mesh->obj, nullptr);

    ASSERT_EQ(scene.displacements.size(), 2u);
    EXPECT_EQ(scene.displacements[0].item, 2u);
    EXPECT_EQ(scene.displacements[0].data, (std::vector<std::int32_t>{4, 2, 0, 1, 0}));
    EXPECT_EQ(scene.displacements[1].item, 3u);
    EXPECT_EQ(scene.displacements[1].server, "Vistrelle");
    EXPECT_FALSE(scene.displacements[1].data.has_value());
}

TEST(SceneFileReading, LeftOutFramesPerSecondAndDisplacementsTakeDefaults) {
    testkit::ScratchFolder dir;
    const Scene scene = formats::readSceneFile(
        dir.write("scene.json", R"({"format": 1, "frames": {"start": 3, "end": 3}, "items": []})"));
    EXPECT_EQ(scene.frames.framesPerSecond, 24.0);
    EXPECT_TRUE(scene.items.empty());
    EXPECT_TRUE(scene.displacements.empty());
}

TEST(SceneFileReading, ServerNameIsKeptAsWritten) {
    testkit::ScratchFolder dir;
    const Scene scene = formats::readSceneFile(
        dir.write("scene.json", R"({"format": 1, "frames": {"start": 0, "end": 1},
        "items": [{"name": "Bush", "position": [0, 0, 0]}],
        "displacements": [{"object": "Bush", "server": "vistrelle "}]})"));
    ASSERT_EQ(scene.displacements.size(), 1u);
    EXPECT_EQ(scene.displacements[0].server, "vistrelle ");
}

// --- Round trips

TEST(SceneFileRoundTrip, WrittenSceneReadsBackIdentical) {
    testkit::ScratchFolder dir;
    Scene scene;
    scene.frames = {-5, 100, 29.97};
    scene.items.push_back(fixedItem("Camera", {0.1, -1.0 / 3.0, 1e-300}));
    hostsim::Item bee = fixedItem("Bee \"the\" \\ bee \xC3\xA9", {});
    bee.motion.keys = {
        {0.0, {0, 1, 0}}, {0.5, {1, 2, 3}}, {0.5, {4, 5, 6}}, {2.0 / 3.0, {-0.0, 1e20, 5e-324}}};
    scene.items.push_back(bee);
    hostsim::Item late = fixedItem("Late", {});
    late.motion.keys = {{3.0, {1, 1, 1}}};  // one key, but not at time 0
    scene.items.push_back(late);
    hostsim::Item card = fixedItem("Card", {1, 0, 0});
    card.mesh = hostsim::Mesh{
        {{0.1f, 1.0f / 3.0f, -2.5f}, {1e-30f, 3.4e38f, 1e-45f}, {16777217.0f, -0.0f, 0.7f}},
        {},
        {},
        {}};
    scene.items.push_back(card);
    hostsim::Item bush = fixedItem("Bush", {});
    bush.mesh = formats::readObjMesh(testData / "leaves.obj");
    scene.items.push_back(bush);
    scene.displacements = {{4, "Vistrelle", std::vector<std::int32_t>{4, 2, 0, 1, 0}},
                           {3, "Other",
                            std::vector<std::int32_t>{std::numeric_limits<std::int32_t>::min(), -1,
                                                      std::numeric_limits<std::int32_t>::max()}},
                           {3, "Vistrelle", std::nullopt},
                           {0, "Vistrelle", std::vector<std::int32_t>{}}};

    const auto path = dir.path() / "sub" / "scene.json";
    std::filesystem::create_directories(path.parent_path());
    formats::writeSceneFile(path, scene);
    expectSameScene(scene, formats::readSceneFile(path));
}

TEST(SceneFileRoundTrip, MeshFilesAreReferredToRelativeToTheScene) {
    testkit::ScratchFolder dir;
    std::filesystem::create_directories(dir.path() / "meshes");
    std::filesystem::copy_file(testData / "leaves.obj", dir.path() / "meshes" / "leaves.obj");
    Scene scene;
    hostsim::Item bush = fixedItem("Bush", {});
    bush.mesh = formats::readObjMesh(dir.path() / "meshes" / "leaves.obj");
    scene.items.push_back(bush);

    formats::writeSceneFile(dir.path() / "scene.json", scene);
    EXPECT_NE(testkit::fileText(dir.path() / "scene.json")
                  .find(R"("mesh": {"file": "meshes/leaves.obj"})"),
              std::string::npos);

    // The scene and its meshes moved together still belong together.
    std::filesystem::create_directories(dir.path() / "copy");
    std::filesystem::copy(dir.path() / "meshes", dir.path() / "copy" / "meshes");
    std::filesystem::copy_file(dir.path() / "scene.json", dir.path() / "copy" / "scene.json");
    const Scene copied = formats::readSceneFile(dir.path() / "copy" / "scene.json");
    EXPECT_EQ(copied.items[0].mesh->sourceFile,
              (dir.path() / "copy" / "meshes" / "leaves.obj").string());
    EXPECT_EQ(copied.items[0].mesh->points, bush.mesh->points);
}

TEST(SceneFileRoundTrip, RandomPositionsComeBackExactly) {
    testkit::ScratchFolder dir;
    std::mt19937_64 random(20240611);
    std::uniform_real_distribution<double> wide(-1e6, 1e6);
    std::uniform_real_distribution<double> narrow(-1.0, 1.0);
    Scene scene;
    for (int i = 0; i < 200; ++i) {
        hostsim::Item item = fixedItem("item" + std::to_string(i), {wide(random), narrow(random),
                                                                    wide(random) * narrow(random)});
        if (i % 4 == 0) {
            hostsim::Mesh mesh;
            for (int p = 0; p < 50; ++p) {
                mesh.points.push_back({static_cast<float>(wide(random)),
                                       static_cast<float>(narrow(random)),
                                       static_cast<float>(narrow(random) * 1e-20)});
            }
            item.mesh = mesh;
        }
        scene.items.push_back(item);
    }
    formats::writeSceneFile(dir.path() / "scene.json", scene);
    expectSameScene(scene, formats::readSceneFile(dir.path() / "scene.json"));
}

// --- Malformed files: one line, naming the file and the place

struct Malformed {
    const char *name;
    const char *text;
    const char *message;  // after "<file>: "; a leading ":" means it follows "<file>" directly
};

class MalformedScene : public testing::TestWithParam<Malformed> {};

constexpr const char *itemsKey = R"("format": 1, "frames": {"start": 0, "end": 1}, )";

TEST_P(MalformedScene, GivesOneLineNamingFileAndPlace) {
    testkit::ScratchFolder dir;
    std::string text = GetParam().text;
    if (const auto at = text.find("$"); at != std::string::npos) text.replace(at, 1, itemsKey);
    const auto path = dir.write("scene.json", text);
    const std::string message = GetParam().message;
    const std::string expected = path.string() + (message.front() == ':' ? "" : ": ") + message;
    try {
        formats::readSceneFile(path);
        FAIL() << "read without complaint";
    } catch (const HostError &error) {
        const std::string what = error.what();
        EXPECT_EQ(what.substr(0, expected.size()), expected);
        EXPECT_EQ(what.find('\n'), std::string::npos) << what;
    }
}

INSTANTIATE_TEST_SUITE_P(
    SceneFileErrors, MalformedScene,
    testing::Values(
        Malformed{"BadJson", "{\"format\": 1,\n  \"frames\": }",
                  ":2:13: syntax error while parsing value"},
        Malformed{"NumberTooLarge", "{\"format\": 1,\n \"x\": 1e999}",
                  ":2:7: number overflow parsing '1e999'"},
        Malformed{"NotAnObject", "[1, 2]", "/: expected an object"},
        Malformed{"NoFormat", R"({"frames": {"start": 0, "end": 1}, "items": []})",
                  R"(/: expected a member "format")"},
        Malformed{"NewerFormat", R"({"format": 2})",
                  "/format: format 2 is newer than this program reads (up to 1)"},
        Malformed{"FormatAsText", R"({"format": "1"})",
                  "/format: expected an integer from 1 to 2147483647"},
        Malformed{"NoFrames", R"({"format": 1, "items": []})", R"(/: expected a member "frames")"},
        Malformed{"EndBeforeStart",
                  R"({"format": 1, "frames": {"start": 5, "end": 4}, "items": []})",
                  "/frames/end: expected an end frame not before the start frame"},
        Malformed{"FractionalFrame",
                  R"({"format": 1, "frames": {"start": 0.5, "end": 4}, "items": []})",
                  "/frames/start: expected an integer from -2147483648 to 2147483647"},
        Malformed{"ZeroFps",
                  R"({"format": 1, "frames": {"start": 0, "end": 4, "fps": 0}, "items": []})",
                  "/frames/fps: expected a positive number of frames per second"},
        Malformed{"ItemsNotAList", R"({$"items": {}})", "/items: expected an array"},
        Malformed{"ItemWithoutName", R"({$"items": [{"position": [0, 0, 0]}]})",
                  R"(/items/0: expected a member "name")"},
        Malformed{"NameNotText", R"({$"items": [{"name": 7, "position": [0, 0, 0]}]})",
                  "/items/0/name: expected a string"},
        Malformed{
            "TwoPositions",
            R"({$"items": [{"name": "A", "position": [0, 0, 0]}, {"name": "B", "position": [0, 0]}]})",
            "/items/1/position: expected 3 numbers"},
        Malformed{"NoPlace", R"({$"items": [{"name": "A"}]})",
                  R"(/items/0: expected a member "position" or "keys")"},
        Malformed{"PositionAndKeys",
                  R"({$"items": [{"name": "A", "position": [0, 0, 0], "keys": []}]})",
                  R"(/items/0: expected either "position" or "keys", not both)"},
        Malformed{
            "KeysOutOfOrder",
            R"({$"items": [{"name": "A", "keys": [{"time": 1, "position": [0, 0, 0]}, {"time": 0, "position": [1, 0, 0]}]}]})",
            "/items/0/keys/1/time: expected keys in time order"},
        Malformed{
            "MisspeltMember", R"({$"items": [{"name": "A", "postion": [0, 0, 0]}]})",
            R"(/items/0/postion: unknown member; expected one of "name", "position", "keys", "mesh")"},
        Malformed{
            "SameNameTwice",
            R"({$"items": [{"name": "A", "position": [0, 0, 0]}, {"name": "A", "position": [0, 0, 0]}]})",
            "/items/1/name: expected a name of its own; /items/0 has it"},
        Malformed{
            "MeshPointBeyondFloat",
            R"({$"items": [{"name": "A", "position": [0, 0, 0], "mesh": {"points": [[1e39, 0, 0]]}}]})",
            "/items/0/mesh/points/0: expected 3 numbers within the range of a float"},
        Malformed{
            "MissingMeshFile",
            R"({$"items": [{"name": "A", "position": [0, 0, 0], "mesh": {"file": "gone.obj"}}]})",
            "/items/0/mesh/file: no such file: "},
        Malformed{
            "UnknownDisplacementObject",
            R"({$"items": [{"name": "A", "position": [0, 0, 0]}], "displacements": [{"object": "Tree"}]})",
            R"(/displacements/0/object: expected the name of an item; no item is called "Tree")"},
        Malformed{
            "DataBeyondInt32",
            R"({$"items": [{"name": "A", "position": [0, 0, 0]}], "displacements": [{"object": "A", "data": [4, 2147483648]}]})",
            "/displacements/0/data/1: expected an integer from -2147483648 to 2147483647"},
        Malformed{
            "DataBelowInt32",
            R"({$"items": [{"name": "A", "position": [0, 0, 0]}], "displacements": [{"object": "A", "data": [-2147483649]}]})",
            "/displacements/0/data/0: expected an integer from -2147483648 to 2147483647"},
        Malformed{
            "DataFraction",
            R"({$"items": [{"name": "A", "position": [0, 0, 0]}], "displacements": [{"object": "A", "data": [1.5]}]})",
            "/displacements/0/data/0: expected an integer from -2147483648 to 2147483647"}),
    [](const testing::TestParamInfo<Malformed> &info) { return std::string(info.param.name); });

TEST(SceneFileErrors, MissingFileIsNamed) {
    testkit::ScratchFolder dir;
    try {
        formats::readSceneFile(dir.path() / "absent.json");
        FAIL() << "read without complaint";
    } catch (const HostError &error) {
        EXPECT_EQ(std::string(error.what()), (dir.path() / "absent.json").string() +
                                                 ": cannot read: No such file or directory");
    }
}

TEST(SceneFileErrors, FaultInAMeshFileNamesThatFileAndLine) {
    testkit::ScratchFolder dir;
    dir.write("bad.obj", "v 0 0 0\nv 1 nan? 0\n");
    const auto path = dir.write("scene.json", R"({"format": 1, "frames": {"start": 0, "end": 1},
        "items": [{"name": "A", "position": [0, 0, 0], "mesh": {"file": "bad.obj"}}]})");
    EXPECT_THROW(
        {
            try {
                formats::readSceneFile(path);
            } catch (const HostError &error) {
                EXPECT_EQ(std::string(error.what())
                              .rfind((dir.path() / "bad.obj").string() + ":2:5: ", 0),
                          0u)
                    << error.what();
                throw;
            }
        },
        HostError);
}

}  // namespace
