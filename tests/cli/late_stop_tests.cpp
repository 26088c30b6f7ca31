// vistrelle run stopped late: after its last frame is handed on, as it ends, or while a worker ends
// after its last frame. Each moment is reached on purpose (the run holds itself there until the
// test has sent the stop), never by chance: the run says what it kept in its own line and exit
// code, and is never ended by the signal itself.
#include "tests/cli/command_process.h"
#include "tests/cli/left_frames.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using testkit::ScratchFolder;

class LateStop : public ::testing::Test {
  protected:
    std::vector<std::string> arguments(const std::string &name, const std::string &jobs,
                                       int frames) const {
        return {"run",      clitest::gardenScene().string(),   "--out",  (folder_ / name).string(),
                "--frames", "0-" + std::to_string(frames - 1), "--jobs", jobs,
                "--quiet"};
    }
    ScratchFolder folder_;
};

TEST_F(LateStop, CtrlCAfterTheLastFrameIsHandedOnSaysEveryFrameIsWritten) {
    for (const char *jobs : {"1", "2"}) {
        const std::string name = std::string("played") + jobs;
        clitest::RunningCommand run(arguments(name, jobs, 6), "played");
        ASSERT_TRUE(run.waitUntilPaused()) << name;
        ::kill(-run.pid(), SIGINT);
        run.resume();
        const clitest::CommandOutcome outcome = run.wait();
        EXPECT_EQ(clitest::expectWholeFrames(folder_ / name, name), 6);
        EXPECT_EQ(outcome.exitCode, 130) << outcome.err;
        EXPECT_EQ(clitest::linesOf(outcome.err).back(),
                  "vistrelle run: stopped by SIGINT after the last frame: frames 0 to 5 are "
                  "written whole")
            << outcome.err;
        EXPECT_EQ(outcome.out, "") << "no summary after a stop";
    }
}

TEST_F(LateStop, CtrlCOrTermAsTheRunEndsLeavesItsSummaryAndExitCode) {
    // The run has written everything, said so and let its folder go: a stop there changes nothing.
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        const std::string name = "exit" + std::to_string(signal);
        clitest::RunningCommand run(arguments(name, "2", 4), "exit");
        ASSERT_TRUE(run.waitUntilPaused()) << name;
        ::kill(-run.pid(), signal);
        run.resume();
        const clitest::CommandOutcome outcome = run.wait();
        EXPECT_EQ(outcome.exitCode, 0) << name << ": " << outcome.err;
        EXPECT_NE(outcome.out.find("Ran 4 frames"), std::string::npos) << outcome.out;
        EXPECT_EQ(outcome.err.find("stopped"), std::string::npos) << outcome.err;
        EXPECT_EQ(clitest::expectWholeFrames(folder_ / name, name), 4);
    }
}

TEST_F(LateStop, CtrlCWhileAWorkerEndsAfterItsLastFrameKeepsTheFramesHandedOn) {
    // Frame 0 is played by the run, 1 by the first worker and 2 by the second. The run is held as
    // it is about to wait for the first worker, which has sent frame 1 and holds itself before
    // ending; Ctrl-C reaches all three; the first worker goes on and is ended by it, then the run.
    const std::string name = "worker";
    clitest::RunningCommand run(arguments(name, "2", 3), "worker-end,reap");
    ASSERT_TRUE(run.waitUntilPaused());
    std::vector<int> workers;
    {
        std::ifstream list("/proc/" + std::to_string(run.pid()) + "/task/" +
                           std::to_string(run.pid()) + "/children");
        for (int child = 0; list >> child;) workers.push_back(child);
    }
    ASSERT_EQ(workers.size(), 2u);
    for (const int worker : workers) ASSERT_TRUE(clitest::waitForState(worker, "T"));
    ::kill(-run.pid(), SIGINT);
    for (const int worker : workers) {
        ::kill(worker, SIGCONT);
        ASSERT_TRUE(clitest::waitForState(worker, "Z"));
    }
    run.resume();
    const clitest::CommandOutcome outcome = run.wait();
    EXPECT_EQ(clitest::expectWholeFrames(folder_ / name, name), 2) << "frame 1 was handed on";
    EXPECT_EQ(outcome.exitCode, 130) << outcome.err;
    EXPECT_EQ(clitest::linesOf(outcome.err).back(),
              "vistrelle run: stopped by SIGINT at frame 2: frames 0 to 1 are written whole")
        << outcome.err;
}

}  // namespace
