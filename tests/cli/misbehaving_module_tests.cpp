// vistrelle run with a module that misbehaves while it is played: a crash or an exit() in any
// entry, in this process or in a worker, is reported as one line naming the module, the entry and
// the frame, with exit code 1 and no empty output folder left; a position that is not a finite
// float refuses the frame that holds it, naming the point; a module that never returns is ended by
// the frame time limit, or by a stop signal within whole frames; a worker that ends without a word
// is reported with the frames kept; the .glb spool never stays behind.
#include "tests/cli/command_process.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

namespace {

namespace fs = std::filesystem;
using testkit::ScratchFolder;

const fs::path garden = fs::path(VISTREL_RUN_DATA) / "garden.json";
const std::string lateCrash = HOSTILE_LATE_CRASH_FILE;
const std::string lateExit = HOSTILE_LATE_EXIT_FILE;
const std::string lateQuietExit = HOSTILE_LATE_QUIET_EXIT_FILE;
const std::string nanModule = VALIDATE_BROKEN_NAN_FILE;
const std::string lateLoop = HOSTILE_LATE_LOOP_FILE;
const std::string beyondFloat = HOSTILE_BEYOND_FLOAT_FILE;
// The module that calls exit() in entry `entry`: 1 startup, 2 activation, 3 create, 4 load, 5
// destroy.
std::string exitIn(int entry) { return HOSTILE_EXIT_IN_FILE + std::to_string(entry) + ".p"; }

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

TEST_F(MisbehavingModule, AnExitInAnyEntryIsOneLineNamingItAndLeavesNoEmptyFolder) {
    const char *const entries[] = {"startup", "activation", "create", "load", "destroy"};
    for (int entry = 1; entry <= 5; ++entry) {
        const std::string module = exitIn(entry);
        const std::string named = module + ": called exit() in " + entries[entry - 1];
        for (const char *jobs : {"1", "2"}) {
            const clitest::CommandOutcome outcome = run(module, jobs);
            EXPECT_EQ(outcome.exitCode, 1) << named << ", " << jobs << " jobs: " << outcome.err;
            EXPECT_EQ(clitest::linesOf(outcome.err).back(), named) << jobs << " jobs";
            // Before any frame the folder the run made is gone again; destroy comes after them.
            EXPECT_EQ(fs::exists(lastOut()), entry == 5) << named;
        }
        const std::string out = (folder_ / "apply" / "turned.obj").string();
        const clitest::CommandOutcome applied =
            clitest::runVistrelle({"apply", (fs::path(VISTREL_RUN_DATA) / "cards.obj").string(),
                                   "--target", "1,0,0", "-o", out, "--module", module});
        if (entry == 4) continue;  // apply loads no saved settings
        EXPECT_EQ(applied.exitCode, 1) << named << ": " << applied.err;
        EXPECT_EQ(clitest::linesOf(applied.err).back(), named);
        EXPECT_EQ(fs::exists(folder_ / "apply"), entry == 5) << named;
    }
}

TEST_F(MisbehavingModule, AFinitePositionBeyondTheRangeOfAFloatRefusesTheFrame) {
    for (const char *jobs : {"1", "2"}) {
        const clitest::CommandOutcome outcome = run(beyondFloat, jobs, {"--gltf"});
        EXPECT_EQ(outcome.exitCode, 1) << outcome.err;
        EXPECT_EQ(clitest::linesOf(outcome.err).back(),
                  beyondFloat +
                      ": evaluate gave point 0 of \"Cards\" a position beyond the range of a "
                      "float (1.79769e+308, 0, 0) at frame 0; the frame is not written")
            << jobs << " jobs";
        EXPECT_FALSE(fs::exists(lastOut() / "Cards.glb"));
        EXPECT_FALSE(fs::exists(lastOut() / "Cards.0000.obj"));
    }
    const clitest::CommandOutcome applied = clitest::runVistrelle(
        {"apply", (fs::path(VISTREL_RUN_DATA) / "cards.obj").string(), "--target", "1,0,0",
         "--gltf", (folder_ / "turned.glb").string(), "--module", beyondFloat});
    EXPECT_EQ(applied.exitCode, 1) << applied.err;
    EXPECT_FALSE(fs::exists(folder_ / "turned.glb"));
}

TEST_F(MisbehavingModule, AFrameTimeLimitEndsAModuleThatNeverReturnsNamingTheEntryAndTheFrame) {
    for (const char *jobs : {"1", "2"}) {
        const clitest::CommandOutcome outcome = run(lateLoop, jobs, {"--frame-timeout", "1"});
        EXPECT_EQ(outcome.exitCode, 1) << jobs << " jobs: " << outcome.err;
        EXPECT_EQ(clitest::linesOf(outcome.err).back(),
                  lateLoop + ": ran longer than --frame-timeout 1 s in evaluate at frame 3")
            << jobs << " jobs";
        EXPECT_TRUE(fs::exists(lastOut() / "Cards.0002.obj"));
        EXPECT_FALSE(fs::exists(lastOut() / "Cards.0003.obj"));
    }
}

TEST_F(MisbehavingModule, AStopEndsAModuleThatNeverReturnsKeepingWholeFramesOnly) {
    for (const char *jobs : {"1", "2"}) {
        const fs::path out = folder_ / (std::string("stop") + jobs);
        clitest::RunningCommand running(
            {"run", garden.string(), "--out", out.string(), "--frames", "0-8", "--jobs", jobs,
             "--frame-timeout", "0", "--module", lateLoop, "--gltf"},
            "taken:2");
        // Frames 0 to 2 are written, then frame 3 never returns: once the run has gone on and
        // spent a third of a second more, it is in that module call (a frame takes far less).
        ASSERT_TRUE(running.waitUntilPaused());
        const long long ticks = clitest::cpuTicks(running.pid());
        running.resume();
        for (int waited = 0;
             waited < 6000 && clitest::cpuTicks(running.pid()) < ticks + sysconf(_SC_CLK_TCK) / 3;
             ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ::kill(-running.pid(), SIGINT);  // as Ctrl-C sends it
        // Ended from outside should the stop not end it: the test then fails, never hangs.
        std::atomic<bool> ended = false;
        std::thread watchdog([&ended, pid = running.pid()] {
            for (int waited = 0; waited < 400 && !ended; ++waited)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (!ended) ::kill(-pid, SIGKILL);
        });
        const clitest::CommandOutcome outcome = running.wait();
        ended = true;
        watchdog.join();
        EXPECT_EQ(outcome.exitCode, 130) << jobs << " jobs: " << outcome.err;
        EXPECT_EQ(clitest::linesOf(outcome.err).back(),
                  "vistrelle run: stopped by SIGINT at frame 3: frames 0 to 2 are written whole")
            << jobs << " jobs";
        EXPECT_TRUE(fs::exists(out / "Cards.0002.obj"));
        EXPECT_FALSE(fs::exists(out / "Cards.0003.obj"));
        for (const auto &entry : fs::recursive_directory_iterator(out))
            EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos)
                << entry.path();
    }
}

TEST_F(MisbehavingModule, AWorkerThatEndsWithoutAWordIsReportedWithTheFramesKept) {
    // The module's _exit(0) at frame 3 looks to the run like a worker ended from outside.
    const clitest::CommandOutcome outcome = run(lateQuietExit, "2");
    EXPECT_EQ(outcome.exitCode, 1) << outcome.err;
    EXPECT_EQ(clitest::linesOf(outcome.err).back(),
              "vistrelle run: a worker ended unexpectedly with exit status 0 at frame 3: frames 0 "
              "to 2 are written whole")
        << outcome.err;
    EXPECT_TRUE(fs::exists(lastOut() / "Cards.0002.obj"));
    EXPECT_FALSE(fs::exists(lastOut() / "Cards.0003.obj"));
    EXPECT_FALSE(fs::exists(lastOut() / "Cards.0004.obj"));
}

TEST_F(MisbehavingModule, NoGlbSpoolStaysWhenTheModuleEndsTheRun) {
    // A crash, an exit() and a time limit each end the process at once, without unwinding.
    for (const std::string &module : {lateCrash, lateExit, lateLoop}) {
        const clitest::CommandOutcome outcome =
            run(module, "1", {"--gltf", "--frame-timeout", "1"});
        EXPECT_EQ(outcome.exitCode, 1) << module << ": " << outcome.err;
        EXPECT_TRUE(fs::exists(lastOut() / "Cards.0002.obj")) << module;
        for (const auto &entry : fs::recursive_directory_iterator(lastOut()))
            EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos)
                << module << ": " << entry.path();
    }
}

}  // namespace
