// vistrelle scene, run as a process: the summary of frames, items and displacements, and its
// errors.
#include "tests/cli/command_process.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

using clitest::fixture;
using clitest::linesOf;

// The command run on the module under test.
clitest::CommandOutcome runVistrelle(const std::vector<std::string> &arguments,
                                     bool withModule = true) {
    return clitest::runVistrelle(arguments, withModule ? clitest::ModuleChoice::underTest
                                                       : clitest::ModuleChoice::commandsOwn);
}

// ---- The summary

TEST(SceneSummary, FramesAndItemsInListOrder) {
    const auto result = runVistrelle({"scene", fixture("mixed.json").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto lines = linesOf(result.out);
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(lines[0], "scene " + fixture("mixed.json").string());
    EXPECT_EQ(lines[1], "frames 0 to 23 at 24 fps");
    EXPECT_EQ(lines[2], "items 4");
    EXPECT_EQ(lines[3], "  1  Lamp   at (0, 4, -3)");
    EXPECT_EQ(lines[4], "  2  Strip  at (0, 0, 0); mesh 10 points inline");
    EXPECT_EQ(lines[5], "  3  Pair   at (0, 0, 2); mesh 8 points inline");
    EXPECT_EQ(lines[6], "  4  Bee    2 keys from 0 s to 2 s");
}

TEST(SceneSummary, DisplacementsWithDescriptionSettingsAndWholeLeaves) {
    const auto result = runVistrelle({"scene", fixture("mixed.json").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto at = result.out.find("displacements 2\n");
    ASSERT_NE(at, std::string::npos) << result.out;
    EXPECT_EQ(result.out.substr(at),
              "displacements 2\n"
              "  1  on Strip, server Vistrelle, data 4, 1, 7, 2, 0\n"
              "     Vistrelobject: Lamp\n"
              "     Object points 4; Target object 1 = Lamp; Pivot Type 7 (no such entry); H Align "
              "2; P Align off\n"
              "     whole leaves 2 (10 points)\n"
              "  2  on Pair, server Vistrelle, no data block (default settings)\n"
              "     Vistrelobject: (none)\n"
              "     Object points 4; Target object 0 = (none); Pivot Type 0 = first point; H Align "
              "on; P Align off\n"
              "     whole leaves 2 (8 points)\n");
}

TEST(SceneSummary, WholeLeavesFollowTheStoredLeafSize) {
    const auto result = runVistrelle({"scene", fixture("cards.json").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("     Object points 4; Target object 4 = Rock; Pivot Type 0 = first "
                              "point; H Align on; P Align on\n"
                              "     whole leaves 3 (12 points)\n"),
              std::string::npos)
        << result.out;
}

TEST(SceneSummary, SceneWithoutDisplacements) {
    testkit::ScratchFolder folder;
    const auto scene = folder.path() / "empty.json";
    std::ofstream(scene)
        << R"({"format": 1, "frames": {"start": 1, "end": 2, "fps": 30}, "items": []})";
    const auto result = runVistrelle({"scene", scene.string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out,
              "scene " + scene.string() + "\nframes 1 to 2 at 30 fps\nitems 0\ndisplacements 0\n");
}

// ---- Errors: one line, exit code 1

TEST(SceneErrors, MissingFileMalformedSceneAndWrongModuleEachGiveOneLine) {
    testkit::ScratchFolder folder;
    const auto broken = folder.path() / "broken.json";
    std::ofstream(broken)
        << R"({"format": 1, "frames": {"start": 0, "end": 1}, "items": [{"name": "A", "position": [0, 0]}]})";

    const auto missing = runVistrelle({"scene", (folder.path() / "none.json").string()});
    const auto malformed = runVistrelle({"scene", broken.string()});
    const auto wrongModule =
        runVistrelle({"scene", fixture("cards.json").string(), "--module", broken.string()}, false);
    for (const auto *result : {&missing, &malformed, &wrongModule}) {
        EXPECT_EQ(result->exitCode, 1);
        EXPECT_EQ(linesOf(result->err).size(), 1u) << result->err;
        EXPECT_EQ(result->out, "");
    }
    EXPECT_EQ(missing.err.rfind((folder.path() / "none.json").string() + ": ", 0), 0u)
        << missing.err;
    EXPECT_EQ(malformed.err.rfind(broken.string() + ": /items/0/position: expected 3 numbers", 0),
              0u)
        << malformed.err;
    EXPECT_EQ(wrongModule.err.rfind(broken.string() + ": ", 0), 0u) << wrongModule.err;
}

}  // namespace
