// Outputs that would destroy inputs or each other are refused before anything is written, unless
// --force; a second run into a folder a run is writing into refuses at once; any object name gives
// file names the file system takes, two long names never the same ones.
#include "tests/cli/command_process.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <fstream>

namespace {

// This machine's name, as the folder lock's refusal names the holder's.
std::string hostName() {
    char name[256] = "";
    return ::gethostname(name, sizeof name - 1) == 0 && name[0] != '\0' ? name : "unknown";
}

namespace fs = std::filesystem;
using clitest::runVistrelle;
using testkit::ScratchFolder;

const fs::path runData = VISTREL_RUN_DATA;

// A copy of the garden scene and its mesh in a folder of its own, which the runs also write into.
class GardenCopy : public ::testing::Test {
  protected:
    GardenCopy() {
        fs::copy_file(runData / "garden.json", scene_);
        fs::copy_file(runData / "cards.obj", mesh_);
    }
    clitest::CommandOutcome runInto(const fs::path &out,
                                    const std::vector<std::string> &more = {}) const {
        std::vector<std::string> arguments{"run",      scene_.string(), "--out",  out.string(),
                                           "--frames", "0-1",           "--jobs", "1"};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return runVistrelle(arguments);
    }
    ScratchFolder folder_;
    fs::path scene_ = folder_ / "garden.json";
    fs::path mesh_ = folder_ / "cards.obj";
};

TEST_F(GardenCopy, AnOutputLinkedToTheMeshIsRefusedAndTheMeshKept) {
    fs::create_symlink("cards.obj", folder_ / "Cards.0001.obj");
    const std::string before = testkit::fileText(mesh_);
    const clitest::CommandOutcome refused = runInto(folder_.path());
    EXPECT_EQ(refused.exitCode, 1) << refused.err;
    EXPECT_EQ(refused.err, (folder_ / "Cards.0001.obj").string() +
                               ": is the same file as the mesh " + mesh_.string() +
                               ", which writing it would destroy (--force writes it anyway)\n");
    EXPECT_EQ(testkit::fileText(mesh_), before);
    EXPECT_FALSE(fs::exists(folder_ / "Cards.0000.obj"));
    EXPECT_EQ(runInto(folder_.path(), {"--force"}).exitCode, 0);
}

TEST_F(GardenCopy, AnOutputHardLinkedToTheSceneOrAnotherOutputIsRefused) {
    fs::create_directories(folder_ / "out");
    fs::create_hard_link(scene_, folder_ / "out" / "pictures.html");
    const clitest::CommandOutcome scene = runInto(folder_ / "out");
    EXPECT_EQ(scene.exitCode, 1);
    EXPECT_NE(scene.err.find("pictures.html: is the same file as the scene "), std::string::npos)
        << scene.err;

    fs::remove(folder_ / "out" / "pictures.html");
    std::ofstream(folder_ / "out" / "Cards.0000.svg") << "old";
    fs::create_symlink("Cards.0000.svg", folder_ / "out" / "Ten_points.0001.svg");
    const clitest::CommandOutcome outputs = runInto(folder_ / "out");
    EXPECT_EQ(outputs.exitCode, 1);
    EXPECT_NE(outputs.err.find(": is the same file as another output of this command "),
              std::string::npos)
        << outputs.err;
}

TEST_F(GardenCopy, ApplyRefusesToWriteOverItsMeshOrOneOutputOverAnother) {
    const std::string before = testkit::fileText(mesh_);
    const clitest::CommandOutcome mesh =
        runVistrelle({"apply", mesh_.string(), "--target", "1,2,3", "-o", mesh_.string()});
    EXPECT_EQ(mesh.exitCode, 1);
    EXPECT_EQ(mesh.err, mesh_.string() + ": is the same file as the mesh " + mesh_.string() +
                            ", which writing it would destroy (--force writes it anyway)\n");
    EXPECT_EQ(testkit::fileText(mesh_), before);
    const fs::path turned = folder_ / "turned.obj";
    const clitest::CommandOutcome twice =
        runVistrelle({"apply", mesh_.string(), "--target", "1,2,3", "-o", turned.string(), "--svg",
                      (folder_ / "." / "turned.obj").string()});
    EXPECT_EQ(twice.exitCode, 1);
    EXPECT_NE(twice.err.find("is the same file as another output of this command"),
              std::string::npos)
        << twice.err;
    EXPECT_FALSE(fs::exists(turned));
}

// A card as a .gltf file whose points lie in the external buffer `buffer` beside it.
fs::path cardWithBuffer(const fs::path &folder, const std::string &buffer) {
    const float points[12] = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    std::ofstream(folder / buffer, std::ios::binary)
        .write(reinterpret_cast<const char *>(points), sizeof points);
    const fs::path gltf = folder / "card.gltf";
    std::ofstream(gltf) << R"({"asset": {"version": "2.0"},
        "buffers": [{"uri": ")"
                        << buffer << R"(", "byteLength": 48}],
        "bufferViews": [{"buffer": 0, "byteLength": 48}],
        "accessors": [{"bufferView": 0, "componentType": 5126, "count": 4, "type": "VEC3"}],
        "meshes": [{"primitives": [{"attributes": {"POSITION": 0}, "mode": 0}]}]})";
    return gltf;
}

TEST_F(GardenCopy, AnOutputThatIsAGltfBufferIsRefusedInEveryCommandThatWrites) {
    const fs::path gltf = cardWithBuffer(folder_.path(), "m.bin");
    const fs::path buffer = folder_ / "m.bin";
    const std::string before = testkit::fileText(buffer);
    const std::string refusal = ": is the same file as a glTF buffer " + buffer.string() +
                                ", which writing it would destroy (--force writes it anyway)";
    // By name, and through a hard link.
    fs::create_hard_link(buffer, folder_ / "linked.obj");
    for (const fs::path &out : {buffer, folder_ / "linked.obj"}) {
        const clitest::CommandOutcome applied =
            runVistrelle({"apply", gltf.string(), "--target", "1,0,0", "-o", out.string()});
        EXPECT_EQ(applied.exitCode, 1) << applied.err;
        EXPECT_EQ(clitest::linesOf(applied.err).back(), out.string() + refusal);
    }
    EXPECT_EQ(testkit::fileText(buffer), before);

    // A run whose mesh's buffer is named like one of its outputs.
    const fs::path scene = folder_ / "buffered.json";
    std::ofstream(scene) << R"({"format": 1, "frames": {"start": 0, "end": 1},
        "items": [{"name": "Target", "position": [4, 1, -3]},
                  {"name": "Cards", "position": [0, 0, 0], "mesh": {"file": "out/card.gltf"}}],
        "displacements": [{"object": "Cards", "data": [4, 1, 0, 1, 1]}]})";
    fs::create_directory(folder_ / "out");
    cardWithBuffer(folder_ / "out", "Cards.0001.obj");
    const std::string runBefore = testkit::fileText(folder_ / "out" / "Cards.0001.obj");
    const clitest::CommandOutcome ran =
        runVistrelle({"run", scene.string(), "--out", (folder_ / "out").string(), "--jobs", "1"});
    EXPECT_EQ(ran.exitCode, 1) << ran.err;
    EXPECT_NE(ran.err.find("is the same file as a glTF buffer"), std::string::npos) << ran.err;
    EXPECT_EQ(testkit::fileText(folder_ / "out" / "Cards.0001.obj"), runBefore);

    // The scene saved under the name of its mesh's buffer.
    const clitest::CommandOutcome saved = runVistrelle(
        {"panel", scene.string(), "--save-as", (folder_ / "out" / "Cards.0001.obj").string()});
    EXPECT_EQ(saved.exitCode, 1) << saved.err;
    EXPECT_EQ(testkit::fileText(folder_ / "out" / "Cards.0001.obj"), runBefore);
    // --force writes it anyway.
    const clitest::CommandOutcome forced = runVistrelle(
        {"apply", gltf.string(), "--target", "1,0,0", "-o", buffer.string(), "--force"});
    EXPECT_EQ(forced.exitCode, 0) << forced.err;
}

TEST_F(GardenCopy, ASecondRunIntoAFolderInUseRefusesAtOnceNamingTheFirst) {
    fs::create_directories(folder_ / "busy");
    const int held = ::open((folder_ / "busy").c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    const clitest::CommandOutcome second = runInto(folder_ / "busy");
    ::close(held);
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_EQ(second.err,
              (folder_ / "busy").string() + ": another vistrelle run (process " +
                  std::to_string(::getpid()) + " on host " + hostName() +
                  ") is writing into this folder; wait for it to end or choose another --out\n");
    EXPECT_TRUE(fs::is_empty(folder_ / "busy"));
    EXPECT_EQ(runInto(folder_ / "busy").exitCode, 0);
}

TEST(RunFileNames, TwoLongNamesGiveFilesOfValidLengthThatNeverCollide) {
    ScratchFolder folder;
    const std::string common(400, 'n');
    std::ofstream(folder / "long.json")
        << R"({"format": 1, "frames": {"start": 0, "end": 0, "fps": 24}, "items": [
        {"name": ")"
        << common
        << R"(1", "position": [0, 0, 0], "mesh": {"points": [[0,0,0],[1,0,0],[1,1,0],[0,1,0]]}},
        {"name": ")"
        << common
        << R"(2", "position": [0, 0, 0], "mesh": {"points": [[0,0,1],[1,0,1],[1,1,1],[0,1,1]]}}],
      "displacements": [{"object": ")"
        << common << R"(1", "data": [4, 0, 0, 1, 1]}, {"object": ")" << common
        << R"(2", "data": [4, 0, 0, 1, 1]}]})";
    const clitest::CommandOutcome run = runVistrelle(
        {"run", (folder / "long.json").string(), "--out", (folder / "out").string(), "--gltf"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<std::string> objs;
    for (const auto &entry : fs::recursive_directory_iterator(folder / "out")) {
        const std::string name = entry.path().filename().string();
        EXPECT_LE(name.size(), 255u) << name;
        if (name.ends_with(".0000.obj")) objs.push_back(name);
    }
    ASSERT_EQ(objs.size(), 2u);
    EXPECT_NE(objs[0], objs[1]);
    EXPECT_TRUE(objs[0].starts_with(std::string(150, 'n'))) << objs[0];
}

}  // namespace
