// Frames that do not depend on the run they are in, and vistrelle assemble, which puts the folders
// of runs over parts of the frames together: the same bytes as one run of them, or one line saying
// why not.
#include "tests/cli/command_process.h"

#include <gtest/gtest.h>
#include <tiny_gltf.h>

#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using clitest::runVistrelle;
using testkit::fileText;
using testkit::ScratchFolder;

const fs::path bush = fs::path(VISTREL_EXAMPLES) / "bush.json";
const fs::path garden = fs::path(VISTREL_RUN_DATA) / "garden.json";

// Every file under `folder`, by its path relative to it, with its bytes.
std::map<std::string, std::string> folderFiles(const fs::path &folder) {
    std::map<std::string, std::string> files;
    for (const auto &entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), folder).generic_string()] = fileText(entry.path());
    return files;
}

// The names of the files that differ between the two folders, or are in one only.
std::vector<std::string> differences(const fs::path &a, const fs::path &b) {
    const auto x = folderFiles(a), y = folderFiles(b);
    std::vector<std::string> names;
    for (const auto &[name, bytes] : x)
        if (!y.contains(name) || y.at(name) != bytes) names.push_back(name);
    for (const auto &[name, bytes] : y)
        if (!x.contains(name)) names.push_back(name);
    return names;
}

void run(const fs::path &scene, const fs::path &out, const std::string &frames,
         std::vector<std::string> more = {"--gltf"}) {
    std::vector<std::string> arguments{"run",     scene.string(), "--out", out.string(),
                                       "--quiet", "--frames",     frames};
    arguments.insert(arguments.end(), more.begin(), more.end());
    const auto outcome = runVistrelle(arguments);
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
}

clitest::CommandOutcome assemble(const fs::path &out, const std::vector<fs::path> &runs) {
    std::vector<std::string> arguments{"assemble", out.string()};
    for (const fs::path &folder : runs) arguments.push_back(folder.string());
    return runVistrelle(arguments);
}

// A frame's morph target in a .glb: its name, its key time and its offsets' bytes.
struct GlbFrame {
    std::string name;
    float seconds = 0;
    std::vector<unsigned char> offsets;
};

GlbFrame glbFrame(const fs::path &file, int frame) {
    tinygltf::TinyGLTF loader;
    tinygltf::Model model;
    std::string error, warning;
    EXPECT_TRUE(loader.LoadBinaryFromFile(&model, &error, &warning, file.string())) << error;
    const auto &mesh = model.meshes.at(0);
    const auto &names = mesh.extras.Get("targetNames");
    for (int t = 0; t < static_cast<int>(names.ArrayLen()); ++t) {
        if (names.Get(t).Get<std::string>() != "frame " + std::to_string(frame)) continue;
        const auto &accessor = model.accessors.at(
            static_cast<std::size_t>(mesh.primitives.at(0).targets.at(t).at("POSITION")));
        const auto &view = model.bufferViews.at(static_cast<std::size_t>(accessor.bufferView));
        const auto &data = model.buffers.at(0).data;
        const auto &times = model.accessors.at(
            static_cast<std::size_t>(model.animations.at(0).samplers.at(0).input));
        const auto &timeView = model.bufferViews.at(static_cast<std::size_t>(times.bufferView));
        GlbFrame found{
            names.Get(t).Get<std::string>(),
            0.0f,
            {data.begin() + static_cast<std::ptrdiff_t>(view.byteOffset),
             data.begin() + static_cast<std::ptrdiff_t>(view.byteOffset + view.byteLength)}};
        std::memcpy(&found.seconds, data.data() + timeView.byteOffset + 4 * t, 4);
        return found;
    }
    ADD_FAILURE() << file << " has no morph target for frame " << frame;
    return {};
}

// Runs of the garden scene over its frames in several chunkings, each put together again.
class Chunkings : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder_ = std::make_unique<ScratchFolder>();
        run(garden, whole(), "0-23");
    }
    static void TearDownTestSuite() { folder_.reset(); }
    static fs::path whole() { return *folder_ / "whole"; }
    static fs::path at(const std::string &name) { return *folder_ / name; }

    static std::unique_ptr<ScratchFolder> folder_;
};
std::unique_ptr<ScratchFolder> Chunkings::folder_;

TEST_F(Chunkings, AFrameAloneWritesTheFilesAndMorphTargetOfTheWholeRun) {
    run(garden, at("alone"), "7");
    for (const auto &[name, bytes] : folderFiles(at("alone"))) {
        if (name.find(".0007.") == std::string::npos) continue;
        EXPECT_TRUE(bytes == fileText(whole() / name)) << name;
    }
    EXPECT_TRUE(fs::exists(at("alone") / "Cards.0007.svg"));
    EXPECT_TRUE(fs::exists(at("alone") / "viewer" / "Cards.0007.js"));
    for (const std::string glb : {"Cards.glb", "Ten_points.glb"}) {
        const GlbFrame alone = glbFrame(at("alone") / glb, 7), all = glbFrame(whole() / glb, 7);
        EXPECT_EQ(alone.name, "frame 7");
        EXPECT_EQ(alone.name, all.name);
        EXPECT_EQ(alone.seconds, all.seconds);
        EXPECT_TRUE(alone.offsets == all.offsets) << glb;
    }
}

TEST_F(Chunkings, EveryChunkingAssemblesToTheWholeRunByteForByte) {
    const std::vector<std::vector<std::string>> chunkings = {
        {"0-11", "12-23"}, {"0-0", "1-16", "17-23"}, {"20-23", "0-5", "6-19"}};
    for (std::size_t c = 0; c < chunkings.size(); ++c) {
        std::vector<fs::path> parts;
        for (const std::string &frames : chunkings[c]) {
            parts.push_back(at("c" + std::to_string(c) + "-" + frames));
            run(garden, parts.back(), frames);
        }
        const fs::path out = at("assembled" + std::to_string(c));
        const auto outcome = assemble(out, parts);
        ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
        EXPECT_EQ(differences(out, whole()), std::vector<std::string>{}) << c;
    }
}

TEST_F(Chunkings, OverlapsThatAgreeAreTakenOnce) {
    run(garden, at("o1"), "0-15");
    run(garden, at("o2"), "10-23");
    const auto outcome = assemble(at("overlapped"), {at("o1"), at("o2")});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(differences(at("overlapped"), whole()), std::vector<std::string>{});
}

TEST_F(Chunkings, RunsOfEveryOtherFrameAssembleToOneSuchRun) {
    run(garden, at("every-whole"), "0-22", {"--gltf", "--every", "2"});
    run(garden, at("every-a"), "0-10", {"--gltf", "--every", "2"});
    run(garden, at("every-b"), "12-22", {"--gltf", "--every", "2"});
    const auto outcome = assemble(at("every"), {at("every-b"), at("every-a")});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(differences(at("every"), at("every-whole")), std::vector<std::string>{});
    run(garden, at("every-odd"), "13-21", {"--gltf", "--every", "2"});
    const auto odd = assemble(at("every-odd-out"), {at("every-a"), at("every-odd")});
    EXPECT_EQ(odd.exitCode, 1);
    EXPECT_NE(odd.err.find("frames 10 and 13 follow each other in the runs, but the runs play "
                           "every 2 frames"),
              std::string::npos)
        << odd.err;
}

// The demo's 48 frames in four chunks of twelve, as a farm runs them.
TEST(Assemble, FourChunksOfTheDemoAreOneRunOfItsFortyEightFrames) {
    const ScratchFolder folder;
    run(bush, folder / "whole", "0-47");
    std::vector<fs::path> parts;
    for (int k = 0; k < 4; ++k) {
        parts.push_back(folder / ("chunk" + std::to_string(k)));
        run(bush, parts.back(), std::to_string(12 * k) + "-" + std::to_string(12 * k + 11));
    }
    const auto outcome = assemble(folder / "out", parts);
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(differences(folder / "out", folder / "whole"), std::vector<std::string>{});
    EXPECT_TRUE(fs::exists(folder / "out" / "Bush.glb"));
}

// Each refusal is one line naming the folder or file it concerns, made before anything is written.
class AssembleRefuses : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder_ = std::make_unique<ScratchFolder>();
        run(garden, at("a"), "0-5");
        run(garden, at("b"), "6-11");
        run(garden, at("c"), "12-17");
    }
    static void TearDownTestSuite() { folder_.reset(); }
    static fs::path at(const std::string &name) { return *folder_ / name; }

    // A copy of run folder `from` to change.
    static fs::path copyOf(const std::string &from, const std::string &name) {
        fs::remove_all(at(name));
        fs::copy(at(from), at(name), fs::copy_options::recursive);
        return at(name);
    }

    static void expectRefusal(const std::vector<fs::path> &runs, const std::string &said) {
        const fs::path out = at("out");
        fs::remove_all(out);
        const auto outcome = assemble(out, runs);
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_EQ(clitest::linesOf(outcome.err).size(), 1u) << outcome.err;
        EXPECT_NE(outcome.err.find(said), std::string::npos) << outcome.err;
        EXPECT_FALSE(fs::exists(out)) << "refused before anything is written";
    }

    static std::unique_ptr<ScratchFolder> folder_;
};
std::unique_ptr<ScratchFolder> AssembleRefuses::folder_;

TEST_F(AssembleRefuses, AGapBetweenTheRunsFrames) {
    expectRefusal({at("a"), at("c")},
                  "frames 5 and 12 follow each other in the runs, but frames between them are in "
                  "none: a gap");
}

TEST_F(AssembleRefuses, RunsOfOtherSettingsScenesOrModules) {
    const fs::path noObj = at("no-obj");
    run(garden, noObj, "6-11", {"--gltf", "--no-obj"});
    expectRefusal({at("a"), noObj}, "other settings");
    const fs::path other = copyOf("b", "other-scene");
    std::string record = fileText(other / "vistrelle-run.json");
    record.replace(record.find("\"scene\":\"") + 9, 1, "x");
    std::ofstream(other / "vistrelle-run.json", std::ios::binary) << record;
    expectRefusal({at("a"), other}, "another scene");
    const fs::path module = copyOf("b", "other-module");
    record = fileText(module / "vistrelle-run.json");
    record.replace(record.find("\"module\":\"") + 10, 1, "x");
    std::ofstream(module / "vistrelle-run.json", std::ios::binary) << record;
    expectRefusal({at("a"), module}, "another module build");
}

TEST_F(AssembleRefuses, AnOverlapThatDisagrees) {
    fs::remove_all(at("late"));
    run(garden, at("late"), "5-11");
    std::ofstream(at("late") / "Ten_points.0005.obj", std::ios::app) << "# changed\n";
    expectRefusal({at("a"), at("late")}, "frame 5 is also in");
}

TEST_F(AssembleRefuses, DamagedOrHostileRecordsAndFiles) {
    const fs::path stopped = copyOf("b", "stopped");
    fs::remove(stopped / "vistrelle-run.json");
    expectRefusal({at("a"), stopped}, "vistrelle-run.json: expected a regular file");
    const std::vector<std::pair<std::string, std::string>> hostile = {
        {"\"stem\":\"Cards\"", "\"stem\":\"../Cards\""},
        {"\"points\":", "\"points\":9999999999999,\"x\":"},
        {"\"frame\":7,", "\"frame\":6,"},
        {"\"kind\":\"vistrelle run record 1\"", "\"kind\":\"other\""},
        {"\"corners\":", "\"corners\":1e300,\"c\":"}};
    for (const auto &[from, to] : hostile) {
        const fs::path bad = copyOf("b", "bad");
        std::string record = fileText(bad / "vistrelle-run.json");
        ASSERT_NE(record.find(from), std::string::npos) << from;
        record.replace(record.find(from), from.size(), to);
        std::ofstream(bad / "vistrelle-run.json", std::ios::binary) << record;
        expectRefusal({at("a"), bad}, "vistrelle-run.json: ");
    }
    const fs::path deep = copyOf("b", "deep");
    std::ofstream(deep / "vistrelle-run.json", std::ios::binary)
        << std::string(100000, '[') << std::string(100000, ']');
    expectRefusal({at("a"), deep}, "nested deeper");
    const fs::path linked = copyOf("b", "linked");
    fs::remove(linked / "Cards.0007.obj");
    fs::create_symlink("/etc/passwd", linked / "Cards.0007.obj");
    expectRefusal({at("a"), linked}, "Cards.0007.obj: expected a regular file");
    const fs::path viewer = copyOf("b", "viewer-linked");
    fs::rename(viewer / "viewer", folder_->path() / "elsewhere");
    fs::create_directory_symlink(folder_->path() / "elsewhere", viewer / "viewer");
    expectRefusal({at("a"), viewer}, "viewer: expected a folder");
    const fs::path cut = copyOf("b", "cut");
    fs::resize_file(cut / "Cards.glb", fs::file_size(cut / "Cards.glb") - 4);
    expectRefusal({at("a"), cut}, "Cards.glb: not the .glb its run record describes");
}

// A later run into a folder: it replaces the frames it plays, and refuses to leave frames of an
// earlier run there that its pages would not list.
TEST(EarlierRunsFolder, ALaterRunOfOtherFramesRefusesAndOneOfTheSameOrMoreReplacesThem) {
    const ScratchFolder folder;
    const fs::path out = folder / "out";
    run(garden, out, "0-5");
    const auto other = runVistrelle(
        {"run", garden.string(), "--out", out.string(), "--frames", "6-11", "--quiet"});
    EXPECT_EQ(other.exitCode, 1);
    // After the warning that frames 6 to 11 lie outside the garden's own.
    EXPECT_EQ(clitest::linesOf(other.err).back() + "\n",
              out.string() +
                  ": holds 30 files of frames 0 to 5 of an earlier run that this run "
                  "does not play, and its pages would not list them; run into another "
                  "folder (vistrelle assemble puts runs together) or remove them first\n");
    EXPECT_FALSE(fs::exists(out / "Cards.0006.obj"));
    EXPECT_TRUE(fs::exists(out / "vistrelle-run.json")) << "the earlier run's folder is kept whole";
    run(garden, out, "0-11");
    run(garden, folder / "whole", "0-11");
    EXPECT_EQ(differences(out, folder / "whole"), std::vector<std::string>{});
}

TEST(AssembleHelp, SaysWhatItDoesWithAnExample) {
    const auto outcome = runVistrelle({"assemble", "--help"});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_NE(outcome.out.find("vistrelle assemble out/demo part0 part1"), std::string::npos);
}

}  // namespace
