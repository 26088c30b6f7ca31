// vistrelle run stopped from outside: by Ctrl-C (SIGINT to the whole process group), SIGTERM or
// SIGHUP at a chosen or a random moment, or with one of its workers killed. Whatever the moment and
// the number of jobs, the folder holds no temporary file, the frames written are contiguous from
// the first and each is whole, the pages list exactly those, and the run says so in one line and
// exits 128 + the signal.
#include "tests/cli/command_process.h"
#include "tests/cli/left_frames.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <random>
#include <thread>

namespace {

namespace fs = std::filesystem;
using testkit::ScratchFolder;

const fs::path garden = clitest::gardenScene();
constexpr int framesAsked = 400;  // the garden's two small objects: a run of them lasts a second or
                                  // more, a frame a few milliseconds

// Checks what a run that ended with `outcome` left in `out`: whole frames and a line that says
// which, or all of them and exit 0. Answers how many frames were kept.
int expectCleanFolder(const clitest::CommandOutcome &outcome, const fs::path &out, int signal,
                      const std::string &context) {
    const int count = clitest::expectWholeFrames(out, context);
    if (outcome.exitCode == 0) {
        EXPECT_EQ(count, framesAsked) << context;
        return count;
    }
    EXPECT_EQ(outcome.exitCode, 128 + signal) << context << ": " << outcome.err;
    EXPECT_EQ(clitest::linesOf(outcome.err).back(), "vistrelle run: stopped by " +
                                                        clitest::stopName(signal) +
                                                        clitest::stopPlace(count, framesAsked))
        << context << ": " << outcome.err;
    return count;
}

class StoppedRun : public ::testing::Test {
  protected:
    std::vector<std::string> arguments(const std::string &name, const std::string &jobs) const {
        return {"run",      garden.string(),
                "--out",    (folder_ / name).string(),
                "--frames", "0-" + std::to_string(framesAsked - 1),
                "--jobs",   jobs,
                "--quiet"};
    }
    ScratchFolder folder_;
    std::mt19937 random_{20261208};
};

// SIGINT as Ctrl-C sends it, to the run and its workers; SIGTERM as kill sends it, to the run
// alone.
void sendStop(const clitest::RunningCommand &run, int signal) {
    ::kill(signal == SIGINT ? -run.pid() : run.pid(), signal);
}

TEST_F(StoppedRun, CtrlCOrTermAtAnyMomentLeavesWholeContiguousFramesAndPagesListingThem) {
    // The run is held at a random frame it has just handed on, early in the run, so that the stop
    // lands mid-run however fast or loaded the machine is: there, at once (the line is known
    // exactly), or a random few milliseconds after it goes on again, wherever it is then.
    std::uniform_int_distribution<int> frame(0, 40);
    std::uniform_int_distribution<int> micros(0, 5000);
    for (const char *jobs : {"1", "4"})
        for (const int signal : {SIGINT, SIGTERM})
            for (int attempt = 0; attempt < 4; ++attempt) {
                const std::string name = std::string("j") + jobs + "s" + std::to_string(signal) +
                                         "a" + std::to_string(attempt);
                const int held = frame(random_);
                const bool atOnce = attempt % 2 == 0;
                const long long delay = atOnce ? 0 : micros(random_);
                clitest::RunningCommand run(arguments(name, jobs), "taken:" + std::to_string(held));
                ASSERT_TRUE(run.waitUntilPaused()) << name << ": never held at frame " << held;
                if (atOnce) sendStop(run, signal);
                run.resume();
                if (!atOnce) {
                    std::this_thread::sleep_for(std::chrono::microseconds(delay));
                    sendStop(run, signal);
                }
                const clitest::CommandOutcome outcome = run.wait();
                const std::string context = name + " held at frame " + std::to_string(held) +
                                            ", stopped " + std::to_string(delay) + " us later";
                const int kept = expectCleanFolder(outcome, folder_ / name, signal, context);
                EXPECT_GT(kept, held) << context;
                if (atOnce) {
                    EXPECT_EQ(kept, held + 1) << context << ": " << outcome.err;
                }
            }
}

TEST_F(StoppedRun, HangUpStopsItTheSameWay) {
    clitest::RunningCommand run(arguments("hup", "2"), "taken:5");
    ASSERT_TRUE(run.waitUntilPaused());
    ::kill(-run.pid(), SIGHUP);
    run.resume();
    const clitest::CommandOutcome outcome = run.wait();
    EXPECT_EQ(expectCleanFolder(outcome, folder_ / "hup", SIGHUP, "SIGHUP"), 6);
}

// The worker ids of a running command, from /proc.
std::vector<int> childrenOf(int pid) {
    std::vector<int> children;
    std::ifstream list("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) +
                       "/children");
    for (int child = 0; list >> child;) children.push_back(child);
    return children;
}

TEST_F(StoppedRun, AWorkerKilledFromOutsideStopsTheRunWithTheFolderClean) {
    for (const int signal : {SIGKILL, SIGTERM}) {
        const std::string name = "killed" + std::to_string(signal);
        // The run is held mid-run, its workers made, while one of them is killed.
        clitest::RunningCommand run(arguments(name, "3"), "taken:20");
        ASSERT_TRUE(run.waitUntilPaused());
        const std::vector<int> workers = childrenOf(run.pid());
        ASSERT_EQ(workers.size(), 3u);
        ::kill(workers.back(), signal);
        ASSERT_TRUE(clitest::waitForState(workers.back(), "Z"));
        run.resume();
        const clitest::CommandOutcome outcome = run.wait();
        const int count = clitest::expectWholeFrames(folder_ / name, name);
        EXPECT_GT(count, 20);
        EXPECT_EQ(outcome.exitCode, 128 + signal) << outcome.err;
        EXPECT_EQ(clitest::linesOf(outcome.err).back(),
                  "vistrelle run: a worker was stopped by " +
                      std::string(signal == SIGKILL ? "SIGKILL" : "SIGTERM") +
                      clitest::stopPlace(count, framesAsked))
            << outcome.err;
    }
}

TEST_F(StoppedRun, AStopWhileTheGlbFilesAreWrittenSaysWhichAreWholeAndWhichAbsent) {
    // The second object's .glb is a FIFO no one reads: the run waits there until it is stopped.
    const fs::path out = folder_ / "glb";
    fs::create_directories(out);
    ASSERT_EQ(::mkfifo((out / "Ten_points.glb").c_str(), 0600), 0);
    clitest::RunningCommand run({"run", garden.string(), "--out", out.string(), "--frames", "0-2",
                                 "--jobs", "1", "--gltf", "--quiet"});
    for (int waited = 0; waited < 600 && !fs::exists(out / "Cards.glb"); ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ::kill(run.pid(), SIGINT);
    const clitest::CommandOutcome outcome = run.wait();
    EXPECT_EQ(outcome.exitCode, 130) << outcome.err;
    EXPECT_EQ(clitest::linesOf(outcome.err).back(),
              "vistrelle run: stopped by SIGINT while writing the .glb animations: every frame is "
              "written whole; Cards.glb written whole; Ten_points.glb not written");
    EXPECT_TRUE(fs::is_regular_file(out / "Cards.glb"));
    EXPECT_TRUE(fs::exists(out / "Cards.0002.obj"));
    for (const auto &entry : fs::recursive_directory_iterator(out))
        EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos)
            << entry.path();
}

TEST_F(StoppedRun, TheNextRunIntoTheFolderRemovesTheTemporariesOfOneKilledMidWrite) {
    const fs::path out = folder_ / "stale";
    fs::create_directories(out / "viewer");
    const std::vector<std::string> stale = {"pictures.html.tmp-3141592",
                                            "index.html.tmp-27",
                                            "three.js.tmp-1",
                                            "Cards.0007.obj.tmp-99",
                                            "Cards.glb.tmp-8",
                                            "Ten_points.glb.tmp-offsets-aB3xY9",
                                            "viewer/Cards.base.js.tmp-5",
                                            "viewer/Cards.0400.js.tmp-12"};
    // Not the run's: another name, another ending, another object's, not temporaries at all.
    const std::vector<std::string> others = {
        "notes.txt.tmp-12",       "pictures.html.tmp-x1", "Pebble.glb.tmp-offsets-aB3xY9",
        "Cards.glb.tmp-offsets-", "Cards.0001.obj.tmp-",  "mine.txt",
        "viewer/mine.js.tmp-3"};
    for (const std::vector<std::string> *names : {&stale, &others})
        for (const std::string &name : *names) std::ofstream(out / name) << "left";
    fs::create_directory(out / "Cards.0002.svg.tmp-4");  // a folder is not a file it made
    const clitest::CommandOutcome outcome = clitest::runVistrelle(
        {"run", garden.string(), "--out", out.string(), "--frames", "0-1", "--quiet"});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    for (const std::string &name : stale) EXPECT_FALSE(fs::exists(out / name)) << name;
    for (const std::string &name : others) EXPECT_TRUE(fs::exists(out / name)) << name;
    EXPECT_TRUE(fs::is_directory(out / "Cards.0002.svg.tmp-4"));
}

}  // namespace
