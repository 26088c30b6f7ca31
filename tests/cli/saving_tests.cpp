// How vistrelle saves, run as a process: links are followed, modes kept, streams written in place,
// "-" is standard output, files it was not named to write are kept, the scene's own text is kept,
// each output is whole or absent, and names made from objects stay visible and inside --out.
#include "tests/cli/command_process.h"

#include "formats/scene_file.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <fstream>

namespace {

namespace fs = std::filesystem;
using clitest::fixture;
using clitest::linesOf;
using clitest::runVistrelle;
using testkit::fileText;
using testkit::ScratchFolder;

const fs::path cardsMesh = fs::path(VISTREL_RUN_DATA) / "cards.obj";

std::vector<std::string> applyTo(const fs::path &out) {
    return {"apply", cardsMesh.string(), "--target", "1,0,0", "-o", out.string()};
}

mode_t modeOf(const fs::path &path) {
    struct stat status {};
    ::lstat(path.c_str(), &status);
    return status.st_mode;
}

void writeText(const fs::path &path, const std::string &text) {
    std::ofstream(path, std::ios::binary) << text;
}

TEST(SavingDestinations, SymlinkedSceneStaysALinkAndTheSceneItNamesGetsTheData) {
    const ScratchFolder folder;
    const fs::path real = folder.copyOf(fixture("cards.json"));
    const fs::path link = folder / "link.json";
    fs::create_symlink(real.filename(), link);
    const auto saved = runVistrelle({"panel", link.string(), "--set", "Object points=3", "--save"});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(formats::readSceneFile(real).displacements.at(0).data,
              (std::vector<std::int32_t>{3, 4, 0, 1, 1}));
}

TEST(SavingDestinations, ReplacedFilesKeepTheirMode) {
    const ScratchFolder folder;
    const fs::path out = folder / "private.obj";
    writeText(out, "old\n");
    ::chmod(out.c_str(), 0600);
    ASSERT_EQ(runVistrelle(applyTo(out)).exitCode, 0);
    EXPECT_EQ(modeOf(out) & 07777, 0600u);
    EXPECT_NE(fileText(out), "old\n");

    const fs::path scene = folder.copyOf(fixture("cards.json"));
    ::chmod(scene.c_str(), 0640);
    ASSERT_EQ(runVistrelle({"panel", scene.string(), "--set", "H Align=off", "--save"}).exitCode,
              0);
    EXPECT_EQ(modeOf(scene) & 07777, 0640u);
}

TEST(SavingDestinations, FifoIsWrittenInPlaceAndStaysAFifo) {
    const ScratchFolder folder;
    const fs::path fifo = folder / "stream";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Opened for reading first (without waiting for a writer), so the command's open does not
    // block; the OBJ text fits the pipe's buffer. A command that replaced the FIFO leaves it empty
    // instead.
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    ::fcntl(reader, F_SETFL, 0);
    const auto outcome = runVistrelle(applyTo(fifo));
    std::string received;
    char buffer[4096];
    for (ssize_t n; (n = ::read(reader, buffer, sizeof buffer)) > 0;)
        received.append(buffer, static_cast<std::size_t>(n));
    ::close(reader);
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_TRUE(S_ISFIFO(modeOf(fifo)));
    EXPECT_NE(received.find("\nv "), std::string::npos) << received;
}

TEST(SavingDestinations, CharacterDeviceIsWrittenInPlaceNeverReplaced) {
    const ScratchFolder folder;
    const fs::path device = folder / "null";
    if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        GTEST_SKIP() << "mknod needs root";
    const auto outcome = runVistrelle(applyTo(device));
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_TRUE(S_ISCHR(modeOf(device)));
}

TEST(SavingDestinations, FolderIsRefusedWithOneLineAndLeftAsItIs) {
    const ScratchFolder folder;
    fs::create_directory(folder / "taken.obj");
    const auto outcome = runVistrelle(applyTo(folder / "taken.obj"));
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.err, (folder / "taken.obj").string() +
                               ": cannot write: it is a folder, not a file; it is left as it is\n");
    EXPECT_TRUE(fs::is_directory(folder / "taken.obj"));
}

TEST(SavingDestinations, DashIsStandardOutputAndTheSummaryGoesToStderr) {
    const auto outcome = runVistrelle(applyTo("-"));
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_NE(outcome.out.find("\nv "), std::string::npos) << outcome.out;
    EXPECT_NE(outcome.err.find("wrote standard output"), std::string::npos) << outcome.err;
    EXPECT_FALSE(fs::exists("-"));
}

TEST(SavingOnlyWhatWasNamed, MakeBushKeepsASceneItWouldOnlyHaveWrittenByImplication) {
    const ScratchFolder folder;
    writeText(folder / "keep.json", "mine\n");
    const auto refused =
        runVistrelle({"make-bush", "--cards", "2", "-o", (folder / "keep.obj").string()});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(linesOf(refused.err).size(), 1u) << refused.err;
    EXPECT_TRUE(refused.err.starts_with((folder / "keep.json").string() + ": exists"))
        << refused.err;
    EXPECT_EQ(fileText(folder / "keep.json"), "mine\n");
    EXPECT_FALSE(fs::exists(folder / "keep.obj"));

    const auto forced = runVistrelle(
        {"make-bush", "--cards", "2", "-o", (folder / "keep.obj").string(), "--force"});
    EXPECT_EQ(forced.exitCode, 0) << forced.err;
    EXPECT_NE(fileText(folder / "keep.json"), "mine\n");
}

TEST(SavingTheScenesText, PanelSaveKeepsCommentsAndLayoutAndChangesOnlyTheData) {
    const ScratchFolder folder;
    const fs::path scene = folder.copyOf(fixture("cards.json"));
    const std::string before = fileText(scene);
    const auto saved = runVistrelle({"panel", scene.string(), "--set", "Object points=3", "--set",
                                     "Target object=Tree", "--save"});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    std::string expected = before;
    const std::string oldData = "\"data\": [4, 4, 0, 1, 1]";
    expected.replace(expected.find(oldData), oldData.size(), "\"data\": [3, 2, 0, 1, 1]");
    EXPECT_EQ(fileText(scene), expected);
}

TEST(SavingTheScenesText, PanelSaveAddsDataToADisplacementWithoutAny) {
    const ScratchFolder folder;
    const fs::path scene = folder / "bare.json";
    writeText(scene,
              "{\n  // no settings yet\n  \"format\": 1, \"frames\": {\"start\": 0, \"end\": 1},\n"
              "  \"items\": [{\"name\": \"C\", \"position\": [0, 0, 0], \"mesh\": {\"points\": "
              "[[0,0,0],[1,0,0],[1,1,0],[0,1,0]]}}],\n"
              "  \"displacements\": [{\"object\": \"C\"}]\n}\n");
    const auto saved = runVistrelle({"panel", scene.string(), "--save"});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    EXPECT_NE(fileText(scene).find("// no settings yet"), std::string::npos);
    EXPECT_TRUE(formats::readSceneFile(scene).displacements.at(0).data.has_value());
}

TEST(SavingWholeOrNot, ApplySaysTheObjWasWrittenWhenThePictureCannotBe) {
    const ScratchFolder folder;
    fs::create_directory(folder / "picture.svg");
    std::vector<std::string> arguments = applyTo(folder / "turned.obj");
    arguments.insert(arguments.end(), {"--svg", (folder / "picture.svg").string()});
    const auto outcome = runVistrelle(arguments);
    EXPECT_EQ(outcome.exitCode, 1);
    ASSERT_EQ(linesOf(outcome.err).size(), 1u) << outcome.err;
    EXPECT_NE(
        outcome.err.find((folder / "turned.obj").string() + " was written, the picture was not"),
        std::string::npos)
        << outcome.err;
    EXPECT_TRUE(fs::exists(folder / "turned.obj"));
}

TEST(SavingWholeOrNot, NoTemporaryOrHalfFileIsLeftWhenAFileCannotGrow) {
    const ScratchFolder folder;
    // Ignore the signal and cap file size, so every write past 100 kB fails as a full disk does.
    const std::string command =
        "trap '' XFSZ; ulimit -f 200; exec '" + std::string(VISTRELLE_COMMAND_FILE) + "' run '" +
        (fs::path(VISTREL_EXAMPLES) / "bush.json").string() + "' --out '" +
        (folder / "out").string() + "' --frames 0-3 2>'" + (folder / "err").string() + "'";
    const int status = std::system(("sh -c \"" + command + "\"").c_str());
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const std::string err = fileText(folder / "err");
    EXPECT_EQ(linesOf(err).size(), 1u) << err;
    EXPECT_NE(err.find("the run stopped at frame 0: no frame was written"), std::string::npos)
        << err;
    // Pages and the viewer's folder may stay; no frame file, whole or half, and no temporary file.
    for (const auto &entry : fs::recursive_directory_iterator(folder / "out"))
        if (!entry.is_directory()) {
            EXPECT_EQ(entry.path().extension(), ".html") << entry.path() << " is left behind";
        }
}

TEST(SavingFolders, EveryCommandMakesAMissingOutputFolder) {
    const ScratchFolder folder;
    EXPECT_EQ(runVistrelle(applyTo(folder / "a/b/turned.obj")).exitCode, 0);
    EXPECT_TRUE(fs::exists(folder / "a/b/turned.obj"));
    EXPECT_EQ(runVistrelle({"make-bush", "--cards", "2", "-o", (folder / "c/d/bush.obj").string()})
                  .exitCode,
              0);
    EXPECT_TRUE(fs::exists(folder / "c/d/bush.json"));
    EXPECT_EQ(runVistrelle({"run", fixture("cards.json").string(), "--out",
                            (folder / "e/f").string(), "--frames", "0"})
                  .exitCode,
              0);
    EXPECT_TRUE(fs::exists(folder / "e/f/Cards.0000.obj"));
}

TEST(SavingNames, ObjectNamesBecomeVisibleFileNamesInsideTheOutputFolder) {
    const ScratchFolder folder;
    const fs::path scene = folder / "evil.json";
    writeText(scene, R"({"format": 1, "frames": {"start": 0, "end": 0},
      "items": [{"name": "../../evil/x", "position": [0, 0, 0], "mesh": {"points": [[0,0,0],[1,0,0],[1,1,0],[0,1,0]]}}],
      "displacements": [{"object": "../../evil/x", "data": [4, 0, 0, 1, 0]}]})");
    const auto outcome =
        runVistrelle({"run", scene.string(), "--out", (folder / "deep/out").string()});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_TRUE(fs::exists(folder / "deep/out/___.._evil_x.0000.obj"));
    EXPECT_FALSE(fs::exists(folder / "evil"));
    for (const auto &entry : fs::directory_iterator(folder / "deep/out"))
        EXPECT_FALSE(entry.path().filename().string().starts_with(".")) << entry.path();
}

}  // namespace
