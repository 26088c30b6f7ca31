// vistrelle run stopped from outside: by Ctrl-C (SIGINT to the whole process group), SIGTERM or
// SIGHUP at a random moment, or with one of its workers killed. Whatever the moment and the number
// of jobs, the folder holds no temporary file, the frames written are contiguous from the first and
// each is whole, the pages list exactly those, and the run says so in one line and exits 128 + the
// signal.
#include "tests/cli/command_process.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fstream>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <thread>

namespace {

namespace fs = std::filesystem;
using testkit::ScratchFolder;

const fs::path garden = fs::path(VISTREL_RUN_DATA) / "garden.json";
constexpr int framesAsked =
    400;  // the garden's two small objects: a run of them lasts a second or more

// What a stopped run left in its folder.
struct LeftFrames {
    std::vector<std::string> temporaries;
    std::map<std::string, std::set<int>>
        framesByKind;        // "Cards obj", "Ten_points svg", "viewer Cards js", ...
    std::set<int> pictures;  // the frames pictures.html lists
    std::set<int> viewed;    // the frames index.html lists

    std::set<int> frames(const std::string &kind) const {
        const auto found = framesByKind.find(kind);
        return found == framesByKind.end() ? std::set<int>{} : found->second;
    }
};

std::set<int> framesNamed(const std::string &text, const std::string &pattern) {
    std::set<int> frames;
    const std::regex named(pattern);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), named);
         it != std::sregex_iterator(); ++it)
        frames.insert(std::stoi((*it)[1].str()));
    return frames;
}

LeftFrames leftIn(const fs::path &out) {
    LeftFrames left;
    const std::regex frameFile(R"(([A-Za-z_]+)\.(\d{4})\.(obj|svg|js))");
    for (const auto &entry : fs::recursive_directory_iterator(out)) {
        const std::string name = entry.path().filename().string();
        if (name.find(".tmp-") != std::string::npos) left.temporaries.push_back(name);
        std::smatch parts;
        if (!entry.is_regular_file() || !std::regex_match(name, parts, frameFile)) continue;
        const std::string where =
            entry.path().parent_path().filename() == "viewer" ? "viewer " : "";
        left.framesByKind[where + parts[1].str() + ' ' + parts[3].str()].insert(
            std::stoi(parts[2].str()));
    }
    if (fs::exists(out / "pictures.html"))
        left.pictures =
            framesNamed(testkit::fileText(out / "pictures.html"), R"(Cards\.(\d{4})\.svg)");
    if (fs::exists(out / "index.html"))
        left.viewed = framesNamed(testkit::fileText(out / "index.html"), R"(Cards\.(\d{4})\.js)");
    return left;
}

std::set<int> firstFrames(int count) {
    std::set<int> frames;
    for (int frame = 0; frame < count; ++frame) frames.insert(frame);
    return frames;
}

// Checks what a run that ended with `outcome` left in `out`; answers whether a signal stopped it.
bool expectCleanFolder(const clitest::CommandOutcome &outcome, const fs::path &out, int signal,
                       const std::string &context) {
    const LeftFrames left = leftIn(out);
    EXPECT_TRUE(left.temporaries.empty()) << context << ": " << left.temporaries.front();
    const std::set<int> written = left.frames("Cards obj");
    const int count = static_cast<int>(written.size());
    EXPECT_EQ(written, firstFrames(count))
        << context << ": the frames written are not contiguous from 0";
    for (const char *kind : {"Cards svg", "Ten_points obj", "Ten_points svg", "viewer Cards js"})
        EXPECT_EQ(left.frames(kind), written) << context << ": " << kind;
    EXPECT_EQ(left.pictures, written) << context << ": pictures.html";
    EXPECT_EQ(left.viewed, written) << context << ": index.html";
    if (outcome.exitCode == 0) {
        EXPECT_EQ(count, framesAsked) << context;
        return false;
    }
    EXPECT_EQ(outcome.exitCode, 128 + signal) << context << ": " << outcome.err;
    const std::string kept =
        count == 0 ? "no frame was written"
                   : "frames 0 to " + std::to_string(count - 1) + " are written whole";
    EXPECT_EQ(clitest::linesOf(outcome.err).back(),
              "vistrelle run: stopped by " +
                  std::string(signal == SIGINT    ? "SIGINT"
                              : signal == SIGTERM ? "SIGTERM"
                                                  : "SIGHUP") +
                  " at frame " + std::to_string(count) + ": " + kept)
        << context << ": " << outcome.err;
    return true;
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

TEST_F(StoppedRun, CtrlCOrTermAtAnyMomentLeavesWholeContiguousFramesAndPagesListingThem) {
    int stopped = 0;
    int runs = 0;
    for (const char *jobs : {"1", "4"}) {
        // The moments are drawn from within an uninterrupted run's length on this machine, so
        // that they land mid-run however fast or loaded the machine is.
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(
            clitest::RunningCommand(arguments(std::string("whole") + jobs, jobs)).wait().exitCode,
            0);
        const auto length = std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::steady_clock::now() - started)
                                .count();
        std::uniform_int_distribution<long long> moment(std::max<long long>(1, length / 10),
                                                        std::max<long long>(2, length * 7 / 10));
        for (const int signal : {SIGINT, SIGTERM})
            for (int attempt = 0; attempt < 3; ++attempt) {
                const std::string name = std::string("j") + jobs + "s" + std::to_string(signal) +
                                         "a" + std::to_string(attempt);
                const long long delay = moment(random_);
                clitest::RunningCommand run(arguments(name, jobs));
                std::this_thread::sleep_for(std::chrono::milliseconds(delay));
                // SIGINT as Ctrl-C sends it, to the run and its workers; SIGTERM as kill sends it,
                // to the run alone.
                ::kill(signal == SIGINT ? -run.pid() : run.pid(), signal);
                const clitest::CommandOutcome outcome = run.wait();
                const std::string context = name + " after " + std::to_string(delay) + " ms";
                if (fs::exists(folder_ / name))
                    stopped += expectCleanFolder(outcome, folder_ / name, signal, context) ? 1 : 0;
                ++runs;
            }
    }
    // The moments are spread over a run's length: most runs are stopped somewhere in the middle.
    EXPECT_GT(stopped, runs / 2);
}

TEST_F(StoppedRun, HangUpStopsItTheSameWay) {
    clitest::RunningCommand run(arguments("hup", "2"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::kill(-run.pid(), SIGHUP);
    const clitest::CommandOutcome outcome = run.wait();
    expectCleanFolder(outcome, folder_ / "hup", SIGHUP, "SIGHUP");
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
        clitest::RunningCommand run(arguments(name, "3"));
        std::vector<int> workers;
        for (int wait = 0; wait < 400 && workers.empty(); ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            workers = childrenOf(run.pid());
        }
        ASSERT_FALSE(workers.empty()) << "no worker showed";
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ::kill(workers.back(), signal);
        const clitest::CommandOutcome outcome = run.wait();
        if (outcome.exitCode == 0) continue;  // the worker had ended already
        EXPECT_EQ(outcome.exitCode, 128 + signal) << outcome.err;
        EXPECT_NE(
            outcome.err.find("vistrelle run: a worker was stopped by " +
                             std::string(signal == SIGKILL ? "SIGKILL" : "SIGTERM") + " at frame "),
            std::string::npos)
            << outcome.err;
        const LeftFrames left = leftIn(folder_ / name);
        EXPECT_TRUE(left.temporaries.empty()) << left.temporaries.front();
        const std::set<int> written = left.frames("Cards obj");
        EXPECT_EQ(written, firstFrames(static_cast<int>(written.size())));
        EXPECT_EQ(left.frames("viewer Cards js"), written);
        EXPECT_EQ(left.pictures, written);
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

}  // namespace
