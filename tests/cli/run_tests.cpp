// vistrelle run and make-bush, run as processes, and the help of every subcommand. What run writes
// is checked against the stand-in host driving the same module over the same scene.
#include "tests/cli/command_process.h"

#include "formats/gltf_mesh.h"
#include "formats/obj_mesh.h"
#include "formats/scene_file.h"
#include "hostsim/host.h"

#include <gtest/gtest.h>
#include <tiny_gltf.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

namespace fs = std::filesystem;
using clitest::linesOf;
using clitest::runVistrelle;
using testkit::fileText;
using testkit::ScratchFolder;
using testkit::sortedNames;

const fs::path runData = VISTREL_RUN_DATA;
const fs::path garden = runData / "garden.json";

// Every line of an OBJ file other than its point and normal records.
std::vector<std::string> keptLines(const fs::path &obj) {
    std::vector<std::string> kept;
    for (const std::string &line : linesOf(fileText(obj)))
        if (!line.starts_with("v ") && !line.starts_with("vn ")) kept.push_back(line);
    return kept;
}

// One run of the garden scene (two objects, frames 0 to 2, with glTF) shared by the tests that read
// its files.
class RunOfGarden : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder_ = std::make_unique<ScratchFolder>();
        outcome_ =
            runVistrelle({"run", garden.string(), "--out", (*folder_ / "out").string(), "--gltf"});
    }
    static void TearDownTestSuite() { folder_.reset(); }

    static fs::path out(const std::string &name) { return *folder_ / "out" / name; }

    static std::unique_ptr<ScratchFolder> folder_;
    static clitest::CommandOutcome outcome_;
};

std::unique_ptr<ScratchFolder> RunOfGarden::folder_;
clitest::CommandOutcome RunOfGarden::outcome_;

// The glTF animations of 24 frames are the bytes the writer made when it kept every frame in
// memory (tests/data/run/garden-gltf, written by that writer); the spooled offsets leave no file
// behind.
TEST(RunGltf, TwentyFourFramesGiveTheSameBytesAsWhenKeptInMemoryAndLeaveNoSpool) {
    const ScratchFolder folder;
    const auto outcome = runVistrelle({"run", garden.string(), "--out", (folder / "out").string(),
                                       "--gltf", "--frames", "0-23", "--no-obj", "--no-svg"});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(sortedNames(folder / "out"),
              (std::vector<std::string>{"Cards.glb", "Ten_points.glb", "vistrelle-run.json"}));
    for (const char *name : {"Cards.glb", "Ten_points.glb"})
        EXPECT_TRUE(fileText(folder / "out" / name) == fileText(runData / "garden-gltf" / name))
            << name;
}

TEST_F(RunOfGarden, WritesAnObjAndASvgPerFrameAndObjectTheGltfFilesAndBothPages) {
    ASSERT_EQ(outcome_.exitCode, 0) << outcome_.err;
    const std::vector<std::string> expected{"Cards.0000.obj",
                                            "Cards.0000.svg",
                                            "Cards.0001.obj",
                                            "Cards.0001.svg",
                                            "Cards.0002.obj",
                                            "Cards.0002.svg",
                                            "Cards.glb",
                                            "Ten_points.0000.obj",
                                            "Ten_points.0000.svg",
                                            "Ten_points.0001.obj",
                                            "Ten_points.0001.svg",
                                            "Ten_points.0002.obj",
                                            "Ten_points.0002.svg",
                                            "Ten_points.glb",
                                            "index.html",
                                            "pictures.html",
                                            "three.js",
                                            "viewer",
                                            "vistrelle-run.json"};
    EXPECT_EQ(sortedNames(*folder_ / "out"), expected);
    EXPECT_EQ(sortedNames(*folder_ / "out" / "viewer"),
              (std::vector<std::string>{"Cards.0000.js", "Cards.0001.js", "Cards.0002.js",
                                        "Cards.base.js"}));
}

// The turned points of one frame as a glTF reader sees them: base POSITION plus the frame's morph
// offsets.
std::vector<std::array<float, 3>> gltfFrame(const tinygltf::Model &model, std::size_t frame) {
    const tinygltf::Primitive &primitive = model.meshes.at(0).primitives.at(0);
    const auto floats = [&](int index) {
        const tinygltf::Accessor &accessor = model.accessors.at(static_cast<std::size_t>(index));
        const tinygltf::BufferView &view =
            model.bufferViews.at(static_cast<std::size_t>(accessor.bufferView));
        std::vector<std::array<float, 3>> values(accessor.count);
        std::memcpy(values.data(),
                    model.buffers.at(0).data.data() + view.byteOffset + accessor.byteOffset,
                    accessor.count * 12);
        return values;
    };
    std::vector<std::array<float, 3>> points = floats(primitive.attributes.at("POSITION"));
    const auto offsets = floats(primitive.targets.at(frame).at("POSITION"));
    for (std::size_t i = 0; i < points.size(); ++i)
        for (std::size_t a = 0; a < 3; ++a) points[i][a] += offsets[i][a];
    return points;
}

TEST_F(RunOfGarden, GltfAnimationHoldsEveryFrameAsTheHostEvaluatedIt) {
    ASSERT_EQ(outcome_.exitCode, 0) << outcome_.err;
    hostsim::Host host(VISTREL_MODULE_FILE, formats::readSceneFile(garden));
    tinygltf::TinyGLTF loader;
    tinygltf::Model models[2];
    std::string error, warning;
    ASSERT_TRUE(loader.LoadBinaryFromFile(&models[0], &error, &warning, out("Cards.glb").string()))
        << error;
    ASSERT_TRUE(
        loader.LoadBinaryFromFile(&models[1], &error, &warning, out("Ten_points.glb").string()))
        << error;
    for (std::int32_t frame = 0; frame <= 2; ++frame) {
        const auto displaced = host.runFrame(frame);
        for (std::size_t object = 0; object < 2; ++object) {
            const auto points = gltfFrame(models[object], static_cast<std::size_t>(frame));
            const auto &expected = displaced[object].positions;
            ASSERT_EQ(points.size(), expected.size());
            for (std::size_t i = 0; i < expected.size(); ++i)
                for (std::size_t axis = 0; axis < 3; ++axis) {
                    // base + offset in float: the turned float, or where no offset can give it the
                    // next one either side
                    const float want = static_cast<float>(expected[i][axis]);
                    const float step = std::nextafter(std::abs(want), 1e30f) - std::abs(want);
                    EXPECT_LE(std::abs(points[i][axis] - want), step)
                        << object << " frame " << frame << " point " << i;
                }
        }
    }
    EXPECT_TRUE(models[0].materials.at(0).doubleSided);
    EXPECT_EQ(models[0].meshes[0].primitives[0].indices >= 0, true)
        << "the OBJ's faces travel along";
}

TEST_F(RunOfGarden, WrittenPointsAreWhatTheHostEvaluatesForEachFrame) {
    ASSERT_EQ(outcome_.exitCode, 0) << outcome_.err;
    hostsim::Host host(VISTREL_MODULE_FILE, formats::readSceneFile(garden));
    for (std::int32_t frame = 0; frame <= 2; ++frame) {
        const auto displaced = host.runFrame(frame);
        ASSERT_EQ(displaced.size(), 2u);
        const std::string label = "000" + std::to_string(frame);
        for (const auto &[object, name] : {std::pair{0, "Cards."}, std::pair{1, "Ten_points."}}) {
            const hostsim::Mesh written = formats::readObjMesh(out(name + label + ".obj"));
            const auto &expected = displaced[static_cast<std::size_t>(object)].positions;
            ASSERT_EQ(written.points.size(), expected.size());
            for (std::size_t i = 0; i < expected.size(); ++i)
                for (std::size_t axis = 0; axis < 3; ++axis)
                    EXPECT_EQ(written.points[i][axis], static_cast<float>(expected[i][axis]))
                        << name << label << " point " << i << " axis " << axis;
        }
    }
}

TEST_F(RunOfGarden, TenPointObjectKeepsItsLastTwoPointsUnchanged) {
    ASSERT_EQ(outcome_.exitCode, 0) << outcome_.err;
    const hostsim::Scene scene = formats::readSceneFile(garden);
    const auto &base = scene.items[2].mesh->points;
    for (const char *file : {"Ten_points.0000.obj", "Ten_points.0002.obj"}) {
        const auto written = formats::readObjMesh(out(file)).points;
        ASSERT_EQ(written.size(), 10u);
        EXPECT_EQ(written[8], base[8]) << file;
        EXPECT_EQ(written[9], base[9]) << file;
        // The two whole leaves are turned toward the target.
        EXPECT_NE(written[1], base[1]) << file;
        EXPECT_NE(written[5], base[5]) << file;
    }
}

TEST_F(RunOfGarden, ObjKeepsEveryFaceGroupAndTextureCoordinateAndRecomputesNormals) {
    ASSERT_EQ(outcome_.exitCode, 0) << outcome_.err;
    const fs::path input = runData / "cards.obj";
    EXPECT_EQ(keptLines(out("Cards.0001.obj")), keptLines(input));
    const auto normals = [](const fs::path &obj) {
        std::vector<std::string> found;
        for (const std::string &line : linesOf(fileText(obj)))
            if (line.starts_with("vn ")) found.push_back(line);
        return found;
    };
    EXPECT_EQ(normals(out("Cards.0001.obj")).size(), normals(input).size());
    EXPECT_NE(normals(out("Cards.0001.obj")), normals(input));
}

TEST_F(RunOfGarden, PictureCaptionShowsFrameTargetAndSettingsByTheirPanelLabels) {
    ASSERT_EQ(outcome_.exitCode, 0) << outcome_.err;
    const std::string svg = fileText(out("Ten_points.0001.svg"));
    EXPECT_NE(svg.find("frame 1"), std::string::npos);
    EXPECT_NE(svg.find(">Bee<"), std::string::npos) << "the target is marked and named";
    EXPECT_NE(svg.find("Object points 4, Target object Bee, Pivot Type average of first and last "
                       "point, H Align on, P Align on"),
              std::string::npos);
}

TEST_F(RunOfGarden, PicturesPagePlaysTheFirstObjectsPictures) {
    ASSERT_EQ(outcome_.exitCode, 0) << outcome_.err;
    const std::string html = fileText(out("pictures.html"));
    for (const char *picture : {"Cards.0000.svg", "Cards.0001.svg", "Cards.0002.svg"})
        EXPECT_NE(html.find(picture), std::string::npos) << picture;
    EXPECT_NE(html.find("type=\"range\""), std::string::npos) << "a slider";
}

TEST_F(RunOfGarden, ViewerPageListsEveryFrameAndLoadsOnlyLocalScripts) {
    ASSERT_EQ(outcome_.exitCode, 0) << outcome_.err;
    const std::string html = fileText(out("index.html"));
    for (const char *frame : {"viewer/Cards.0000.js", "viewer/Cards.0001.js",
                              "viewer/Cards.0002.js", "viewer/Cards.base.js"})
        EXPECT_NE(html.find(frame), std::string::npos) << frame;
    EXPECT_NE(html.find("<script src=\"three.js\"></script>"), std::string::npos);
    EXPECT_EQ(html.find("http"), std::string::npos) << "nothing from the network";
    EXPECT_EQ(html.find("type=\"module\""), std::string::npos)
        << "module scripts do not load from file://";
    EXPECT_NE(fileText(out("three.js")).find("window.THREE"), std::string::npos);
    EXPECT_EQ(fileText(out("viewer/Cards.0001.js")).rfind("vistrelleData({\"frame\":1,", 0), 0u);
}

TEST_F(RunOfGarden, EndsWithAOneParagraphSummaryAndNoProgressWhenNotATerminal) {
    ASSERT_EQ(outcome_.exitCode, 0) << outcome_.err;
    EXPECT_EQ(outcome_.err, "");
    ASSERT_EQ(linesOf(outcome_.out).size(), 1u) << outcome_.out;
    for (const char *part : {"3 frames", "2 objects", "5 leaves", "66 points", "index.html"})
        EXPECT_NE(outcome_.out.find(part), std::string::npos) << part;
}

TEST(RunFrames, FramesOptionRunsOnlyThoseFrames) {
    const ScratchFolder folder;
    const auto outcome = runVistrelle(
        {"run", garden.string(), "--out", folder.path().string(), "--frames", "2-2", "--quiet"});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    const std::vector<std::string> expected{"Cards.0002.obj",
                                            "Cards.0002.svg",
                                            "Ten_points.0002.obj",
                                            "Ten_points.0002.svg",
                                            "index.html",
                                            "pictures.html",
                                            "three.js",
                                            "viewer",
                                            "vistrelle-run.json"};
    EXPECT_EQ(sortedNames(folder.path()), expected);
    EXPECT_NE(outcome.out.find("1 frame "), std::string::npos) << outcome.out;
}

// A bad argument or input gives one line on stderr naming what was wrong, the exit code and no
// output.
void expectOneLineError(const std::vector<std::string> &arguments, const std::string &mentioned,
                        int exitCode = 1) {
    const auto outcome = runVistrelle(arguments);
    EXPECT_EQ(outcome.exitCode, exitCode);
    EXPECT_EQ(outcome.out, "");
    ASSERT_EQ(linesOf(outcome.err).size(), 1u) << outcome.err;
    EXPECT_NE(outcome.err.find(mentioned), std::string::npos) << outcome.err;
}

TEST(RunRefuses, BadFrameRanges) {
    const ScratchFolder folder;
    for (const char *frames : {"5-2", "a-b", "3-", "1-2-3", "1.5-3"}) {
        SCOPED_TRACE(frames);
        expectOneLineError(
            {"run", garden.string(), "--out", folder.path().string(), "--frames", frames},
            "--frames", 2);
    }
    EXPECT_TRUE(fs::is_empty(folder.path()));
}

TEST(RunRefuses, MissingSceneAndSceneWithoutDisplacements) {
    const ScratchFolder folder;
    expectOneLineError(
        {"run", (runData / "no-such-scene.json").string(), "--out", folder.path().string()},
        "no-such-scene.json");
    expectOneLineError({"run", (runData / "empty.json").string(), "--out", folder.path().string()},
                       "empty.json");
}

TEST(RunRefuses, ModuleThatIsNotOne) {
    const ScratchFolder folder;
    expectOneLineError(
        {"run", garden.string(), "--out", folder.path().string(), "--module", garden.string()},
        "garden.json");
}

TEST(MakeBush, SeedSevenGivesTheCommittedDemoFilesByteForByte) {
    const ScratchFolder folder;
    const auto outcome = runVistrelle(
        {"make-bush", "--seed", "7", "--cards", "3000", "-o", (folder / "bush.obj").string()});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    const fs::path examples = VISTREL_EXAMPLES;
    EXPECT_TRUE(fileText(folder / "bush.obj") == fileText(examples / "bush.obj"));
    EXPECT_EQ(fileText(folder / "bush.json"), fileText(examples / "bush.json"));
}

TEST(MakeBush, DemoSceneHasCardsAndACameraCirclingOverFortyEightFrames) {
    const hostsim::Scene scene = formats::readSceneFile(fs::path(VISTREL_EXAMPLES) / "bush.json");
    EXPECT_EQ(scene.frames.start, 0);
    EXPECT_EQ(scene.frames.end, 47);
    ASSERT_EQ(scene.items.size(), 2u);
    EXPECT_EQ(scene.items[0].name, "Camera");
    ASSERT_TRUE(scene.items[1].mesh);
    EXPECT_EQ(scene.items[1].mesh->points.size(), 12000u);
    ASSERT_EQ(scene.displacements.size(), 1u);
    const std::vector<std::int32_t> bothAlignmentsOnCameraTarget{4, 1, 0, 1, 1};
    EXPECT_EQ(scene.displacements[0].data, bothAlignmentsOnCameraTarget);
    // The camera keeps its distance from the bush's axis all the way round and comes back to its
    // start.
    const hostsim::Motion &camera = scene.items[0].motion;
    for (std::int32_t frame = 0; frame <= 48; ++frame) {
        const hostsim::Point3 p = camera.at(scene.frames.timeOf(frame));
        EXPECT_NEAR(std::hypot(p.x, p.z), 2.5, 1e-3) << "frame " << frame;
    }
    EXPECT_EQ(camera.at(scene.frames.timeOf(0)), camera.at(scene.frames.timeOf(48)));
}

TEST(MakeBush, AnotherSeedGivesAnotherBush) {
    const ScratchFolder folder;
    ASSERT_EQ(runVistrelle(
                  {"make-bush", "--seed", "8", "--cards", "20", "-o", (folder / "a.obj").string()})
                  .exitCode,
              0);
    ASSERT_EQ(runVistrelle(
                  {"make-bush", "--seed", "9", "--cards", "20", "-o", (folder / "b.obj").string()})
                  .exitCode,
              0);
    const hostsim::Mesh a = formats::readObjMesh(folder / "a.obj");
    EXPECT_EQ(a.points.size(), 80u);
    EXPECT_NE(a.points, formats::readObjMesh(folder / "b.obj").points);
}

// The subcommands that `vistrelle --help` lists: the first word of each indented line after
// "Subcommands:".
std::vector<std::string> subcommands() {
    const auto help = runVistrelle({"--help"});
    std::vector<std::string> names;
    bool listing = false;
    for (const std::string &line : linesOf(help.out)) {
        if (line.starts_with("Subcommands:"))
            listing = true;
        else if (listing && line.empty())
            break;
        else if (listing && line.starts_with("  ") && line.size() > 2 && line[2] != ' ')
            names.push_back(line.substr(2, line.find(' ', 2) - 2));
    }
    return names;
}

TEST(Help, TopLevelAndEverySubcommandShowAnExample) {
    const auto top = runVistrelle({"--help"});
    EXPECT_EQ(top.exitCode, 0);
    EXPECT_NE(top.out.find("Example"), std::string::npos);
    const std::vector<std::string> names = subcommands();
    for (const char *ours : {"run", "apply", "make-bush"})
        EXPECT_NE(std::find(names.begin(), names.end(), ours), names.end()) << ours << " is listed";
    for (const std::string &name : names) {
        const auto help = runVistrelle({name, "--help"});
        EXPECT_EQ(help.exitCode, 0) << name;
        EXPECT_NE(help.out.find("Example"), std::string::npos)
            << name << " --help shows no example";
    }
}

}  // namespace
