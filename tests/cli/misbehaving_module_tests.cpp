// vistrelle run with a module that misbehaves while it is played: a crash or an exit() in the
// middle of a frame, in this process or in a worker, is reported as one line naming the module, the
// entry and the frame, with exit code 1; a non-finite position refuses the frame that holds it,
// naming the point.
#include "tests/cli/command_process.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using testkit::ScratchFolder;

const fs::path garden = fs::path(VISTREL_RUN_DATA) / "garden.json";
const std::string lateCrash = HOSTILE_LATE_CRASH_FILE;
const std::string lateExit = HOSTILE_LATE_EXIT_FILE;
const std::string nanModule = VALIDATE_BROKEN_NAN_FILE;

class MisbehavingModule : public ::testing::Test {
  protected:
    clitest::CommandOutcome run(const std::string &module, const std::string &jobs,
                                const std::vector<std::string> &more = {}) {
        std::vector<std::string> arguments{
            "run",      garden.string(),
            "--out",    (folder_ / ("out" + std::to_string(++runs_))).string(),
            "--frames", "0-8",
            "--jobs",   jobs,
            "--module", module};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return clitest::runVistrelle(arguments);
    }
    fs::path lastOut() const { return folder_ / ("out" + std::to_string(runs_)); }
    ScratchFolder folder_;
    int runs_ = 0;
};

TEST_F(MisbehavingModule, ACrashInEvaluateNamesTheModuleTheEntryAndTheFrameHereAndInAWorker) {
    for (const char *jobs : {"1", "2"}) {
        const clitest::CommandOutcome outcome = run(lateCrash, jobs);
        EXPECT_EQ(outcome.exitCode, 1) << jobs << " jobs: " << outcome.err;
        // The sanitizer builds catch the null store first and end the process themselves, with
        // status 1.
        if (outcome.err.find("runtime error:") == std::string::npos) {
            EXPECT_EQ(clitest::linesOf(outcome.err).back(),
                      lateCrash + ": crashed (SIGSEGV) in evaluate at frame 3")
                << jobs << " jobs";
        }
        // Frames 0 to 2 stay whole; nothing of frame 3 or later is left.
        EXPECT_TRUE(fs::exists(lastOut() / "Cards.0002.obj"));
        EXPECT_FALSE(fs::exists(lastOut() / "Cards.0003.obj"));
        EXPECT_FALSE(fs::exists(lastOut() / "Cards.0004.obj"));
    }
}

TEST_F(MisbehavingModule, AnExitInEvaluateIsAFailureNotTheModulesOwnExitCode) {
    for (const char *jobs : {"1", "2"}) {
        const clitest::CommandOutcome outcome = run(lateExit, jobs);
        EXPECT_EQ(outcome.exitCode, 1) << jobs << " jobs: " << outcome.err;
        EXPECT_EQ(clitest::linesOf(outcome.err).back(),
                  lateExit + ": called exit() in evaluate at frame 3")
            << jobs << " jobs";
        EXPECT_EQ(outcome.out.find("Ran "), std::string::npos) << outcome.out;
    }
}

TEST_F(MisbehavingModule, ANonFinitePositionRefusesTheFrameNamingThePointAndWritesNoGlb) {
    for (const char *jobs : {"1", "3"}) {
        const clitest::CommandOutcome outcome = run(nanModule, jobs, {"--gltf"});
        EXPECT_EQ(outcome.exitCode, 1) << outcome.err;
        EXPECT_EQ(clitest::linesOf(outcome.err).back(),
                  nanModule +
                      ": evaluate gave point 0 of \"Cards\" a non-finite position (0, nan, 0) at "
                      "frame 0; the frame is not written")
            << outcome.err;
        EXPECT_FALSE(fs::exists(lastOut() / "Cards.glb"));
        EXPECT_FALSE(fs::exists(lastOut() / "Cards.0000.obj"));
    }
}

}  // namespace
