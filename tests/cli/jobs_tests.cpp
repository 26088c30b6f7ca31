// vistrelle run --jobs: frames played side by side by worker processes write the same files, byte
// for byte, as frames played one after the other; and the run's options that write no files.
#include "tests/cli/command_process.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

namespace fs = std::filesystem;
using clitest::runVistrelle;
using testkit::fileText;
using testkit::ScratchFolder;
using testkit::sortedNames;

const fs::path garden = fs::path(VISTREL_RUN_DATA) / "garden.json";

// Every file below `folder`, as paths relative to it, sorted.
std::vector<std::string> treeFiles(const fs::path &folder) {
    std::vector<std::string> names;
    for (const auto &entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            names.push_back(entry.path().lexically_relative(folder).generic_string());
    std::sort(names.begin(), names.end());
    return names;
}

// A run of the garden's moving target over `frames` with `jobs`, into `folder`/`name`.
clitest::CommandOutcome runGarden(const ScratchFolder &folder, const std::string &name,
                                  const std::string &frames, const std::vector<std::string> &more) {
    std::vector<std::string> arguments{
        "run", garden.string(), "--out", (folder / name).string(), "--frames", frames};
    arguments.insert(arguments.end(), more.begin(), more.end());
    return runVistrelle(arguments);
}

TEST(RunJobs, FramesPlayedByWorkersWriteTheSameFilesAsOneAfterAnother) {
    ScratchFolder folder;
    const auto alone = runGarden(folder, "alone", "0-8", {"--jobs", "1"});
    ASSERT_EQ(alone.exitCode, 0) << alone.err;
    for (const char *jobs : {"2", "3", "16"}) {
        const std::string name = std::string("jobs") + jobs;
        const auto parallel = runGarden(folder, name, "0-8", {"--jobs", jobs});
        ASSERT_EQ(parallel.exitCode, 0) << parallel.err;
        const std::vector<std::string> names = treeFiles(folder / "alone");
        ASSERT_EQ(treeFiles(folder / name), names) << jobs << " jobs";
        // An OBJ file and a picture per object and frame, the viewer's script of the first object
        // per frame and of its base mesh, and the pages: index.html with three.js, and
        // pictures.html, and the run's record.
        ASSERT_EQ(names.size(), 2u * 2u * 9u + 9u + 1u + 3u + 1u);
        for (const std::string &file : names)
            EXPECT_EQ(fileText(folder / name / file), fileText(folder / "alone" / file))
                << file << " with " << jobs << " jobs";
    }
}

TEST(RunJobs, OneFrameAndMoreJobsThanFramesNeedNoWorkerToGoWrong) {
    ScratchFolder folder;
    const auto one = runGarden(folder, "one", "2-2", {"--jobs", "4"});
    ASSERT_EQ(one.exitCode, 0) << one.err;
    EXPECT_EQ(sortedNames(folder / "one").size(), 2u * 2u + 5u);
}

TEST(RunJobs, AWorkerWhoseModuleCrashesStopsTheRunWithTheFrameNamed) {
    ScratchFolder folder;
    // Worker 0 plays frames 1, 3, 5, 7; the module crashes from frame 3 on.
    const auto run =
        runGarden(folder, "crash", "0-8",
                  {"--jobs", "2", "--no-obj", "--no-svg", "--module", HOSTILE_LATE_CRASH_FILE});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    // The sanitizer builds catch the null store first and end the process themselves, with
    // status 1.
    if (run.err.find("runtime error:") == std::string::npos) {
        EXPECT_EQ(
            clitest::linesOf(run.err).back(),
            std::string(HOSTILE_LATE_CRASH_FILE) + ": crashed (SIGSEGV) in evaluate at frame 3");
    }
}

// A run of frames 0 to 8 whose frame 5 cannot be written: a folder stands where its OBJ file would
// go.
TEST(RunJobs, AFrameThatCannotBeWrittenKeepsTheFramesBeforeItAndLeavesNoneAfterIt) {
    ScratchFolder folder;
    for (const char *jobs : {"1", "2", "3"}) {
        const std::string name = std::string("blocked") + jobs;
        fs::create_directories(folder / name / "Cards.0005.obj");
        const auto run = runGarden(folder, name, "0-8", {"--jobs", jobs});
        EXPECT_EQ(run.exitCode, 1) << run.err;
        EXPECT_NE(run.err.find("Cards.0005.obj"), std::string::npos) << run.err;
        // Workers ahead of frame 5 may have written later frames: theirs are removed, the viewer's
        // scripts of them too.
        std::vector<std::string> expected{"Cards.0005.obj", "index.html", "pictures.html",
                                          "three.js", "viewer"};
        for (int frame = 0; frame < 5; ++frame)
            for (const char *stem : {"Cards", "Ten_points"})
                for (const char *kind : {".obj", ".svg"})
                    expected.push_back(stem + (".000" + std::to_string(frame)) + kind);
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(sortedNames(folder / name), expected) << jobs << " jobs";
        std::vector<std::string> scripts;
        for (int frame = 0; frame < 5; ++frame)
            scripts.push_back("Cards.000" + std::to_string(frame) + ".js");
        scripts.push_back("Cards.base.js");
        EXPECT_EQ(sortedNames(folder / name / "viewer"), scripts) << jobs << " jobs";
        EXPECT_EQ(fileText(folder / name / "pictures.html").find("0005"), std::string::npos)
            << jobs << " jobs";
    }
}

TEST(RunJobs, NoJobsIsRefusedWithTheOptionNamed) {
    ScratchFolder folder;
    const auto refused = runGarden(folder, "none", "0-1", {"--jobs", "0"});
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_NE(refused.err.find("--jobs"), std::string::npos) << refused.err;
}

TEST(RunWithoutFiles, NoObjAndNoSvgPlayEveryFrameAndWriteNothing) {
    ScratchFolder folder;
    const auto run = runGarden(folder, "quiet", "0-3", {"--no-obj", "--no-svg", "--jobs", "2"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(!fs::exists(folder / "quiet") || sortedNames(folder / "quiet").empty());
    EXPECT_NE(run.out.find("Ran 4 frames"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Wrote no files"), std::string::npos) << run.out;
}

TEST(RunWithoutFiles, NoSvgKeepsTheObjFilesAndLeavesOutThePage) {
    ScratchFolder folder;
    const auto run = runGarden(folder, "objs", "0-1", {"--no-svg"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> expected{"Cards.0000.obj", "Cards.0001.obj",
                                            "Ten_points.0000.obj", "Ten_points.0001.obj",
                                            "vistrelle-run.json"};
    EXPECT_EQ(sortedNames(folder / "objs"), expected);
}

}  // namespace
