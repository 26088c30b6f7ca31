// The command's exit codes and words, run as a process, and a run over a huge frame range watched
// through a pseudo-terminal: progress at once, memory that does not grow with the range.
#include "tests/cli/command_process.h"

#include <gtest/gtest.h>

#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using clitest::fixture;
using clitest::linesOf;
using clitest::runVistrelle;
using testkit::ScratchFolder;
using testkit::sortedNames;

const fs::path bush = fs::path(VISTREL_EXAMPLES) / "bush.json";
const fs::path garden = fs::path(VISTREL_RUN_DATA) / "garden.json";

TEST(ExitCodes, UnknownSubcommandIsNamedWithTheListAndIsAUsageError) {
    const auto outcome = runVistrelle({"frobnicate"});
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(
        outcome.err,
        "vistrelle: unknown subcommand 'frobnicate'; the subcommands are run, assemble, apply, "
        "panel, scene, info, "
        "validate, make-bush (see vistrelle --help)\n");
}

TEST(ExitCodes, UnknownOptionAndBadValueAreUsageErrorsAndAFailedJobIsOne) {
    EXPECT_EQ(runVistrelle({"run", garden.string(), "--out", "x", "--bogus"}).exitCode, 2);
    EXPECT_EQ(runVistrelle({"run", garden.string(), "--out", "x", "--every", "0"}).exitCode, 2);
    EXPECT_EQ(runVistrelle({"scene", "/nonexistent/scene.json"}).exitCode, 1);
}

TEST(ExitCodes, HelpDocumentsThem) {
    const auto help = runVistrelle({"--help"});
    EXPECT_NE(help.out.find("Exit codes: 0 success; 1 the job failed"), std::string::npos)
        << help.out;
    EXPECT_NE(help.out.find("3 validate found faults"), std::string::npos) << help.out;
}

TEST(Version, PrintsTheCommandsAndTheModulesVersions) {
    const auto outcome = runVistrelle({"--version"});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_TRUE(outcome.out.starts_with("vistrelle 1.")) << outcome.out;
    EXPECT_NE(outcome.out.find("FileVersion="), std::string::npos) << outcome.out;
}

TEST(RunWords, SummarySaysWhatItsPointsPerSecondInclude) {
    const ScratchFolder folder;
    const auto outcome = runVistrelle({"run", garden.string(), "--out", folder.path().string()});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_NE(outcome.out.find(" points/s in the module alone, "), std::string::npos)
        << outcome.out;
    EXPECT_NE(outcome.out.find(" points/s for the whole run with its files."), std::string::npos)
        << outcome.out;
}

TEST(RunWords, FramesOutsideTheScenesRangeAreWarnedOf) {
    const ScratchFolder folder;
    const auto outcome =
        runVistrelle({"run", garden.string(), "--out", folder.path().string(), "--frames", "1-5"});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.err,
              "vistrelle run: warning: --frames 1-5 reaches beyond the scene's frames 0 to 2; "
              "items hold their "
              "first or last key there\n");
}

TEST(BigJobs, EveryNoSvgAndNoObjChooseWhatIsWritten) {
    const ScratchFolder folder;
    ASSERT_EQ(runVistrelle({"run", garden.string(), "--out", (folder / "objs").string(), "--every",
                            "2", "--no-svg"})
                  .exitCode,
              0);
    EXPECT_EQ(sortedNames(folder / "objs"),
              (std::vector<std::string>{"Cards.0000.obj", "Cards.0002.obj", "Ten_points.0000.obj",
                                        "Ten_points.0002.obj", "vistrelle-run.json"}));
    ASSERT_EQ(runVistrelle({"run", garden.string(), "--out", (folder / "svgs").string(), "--frames",
                            "1-2", "--no-obj"})
                  .exitCode,
              0);
    EXPECT_EQ(sortedNames(folder / "svgs"),
              (std::vector<std::string>{"Cards.0001.svg", "Cards.0002.svg", "Ten_points.0001.svg",
                                        "Ten_points.0002.svg", "index.html", "pictures.html",
                                        "three.js", "viewer", "vistrelle-run.json"}));
    const auto nothing = runVistrelle(
        {"run", garden.string(), "--out", (folder / "none").string(), "--no-obj", "--no-svg"});
    ASSERT_EQ(nothing.exitCode, 0) << nothing.err;
    EXPECT_FALSE(fs::exists(folder / "none"));
    EXPECT_NE(nothing.out.find("Wrote no files"), std::string::npos) << nothing.out;
}

// The peak resident memory of a running process, in kB (VmHWM); -1 when it cannot be read.
long peakKilobytes(pid_t process) {
    std::ifstream status("/proc/" + std::to_string(process) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmHWM:")) return std::stol(line.substr(6));
    return -1;
}

// What a run shows on a terminal until `enough` says so (or it ends), and its peak memory then.
struct WatchedRun {
    std::string shown;
    long peakKilobytes = -1;
};

template <typename Enough>
WatchedRun watchRun(std::vector<std::string> arguments, Enough enough) {
    WatchedRun watched;
    int terminal = -1;
    arguments.insert(arguments.begin(), VISTRELLE_COMMAND_FILE);
    std::vector<char *> argv;
    for (std::string &word : arguments) argv.push_back(word.data());
    argv.push_back(nullptr);
    const pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (child < 0) return watched;
    if (child == 0) {
        execv(argv[0], argv.data());
        _exit(127);
    }
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (!enough(watched.shown) && std::chrono::steady_clock::now() < giveUp) {
        char buffer[512];
        const ssize_t n = ::read(terminal, buffer, sizeof buffer);
        if (n <= 0) break;
        watched.shown.append(buffer, static_cast<std::size_t>(n));
    }
    watched.peakKilobytes = peakKilobytes(child);
    ::kill(child, SIGTERM);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(terminal);
    return watched;
}

// The highest frame count the progress line has shown ("frame 12 of 999999999").
long framesShown(const std::string &shown) {
    long most = 0;
    for (std::size_t at = shown.find("frame "); at != std::string::npos;
         at = shown.find("frame ", at + 1)) {
        const std::size_t digits = at + 6;
        const std::size_t end = shown.find_first_not_of("0123456789", digits);
        if (end == digits || end == std::string::npos || shown.compare(end, 4, " of ") != 0)
            continue;
        most = std::max(most, std::stol(shown.substr(digits, end - digits)));
    }
    return most;
}

TEST(BigJobs, HugeFrameRangeShowsProgressFromTheFirstFrameAndHoldsItsMemory) {
    const ScratchFolder folder;
    const WatchedRun run =
        watchRun({"run", bush.string(), "--out", (folder / "out").string(), "--frames",
                  "1-999999999", "--no-obj", "--no-svg"},
                 [](const std::string &shown) { return framesShown(shown) >= 5; });
    EXPECT_GE(framesShown(run.shown), 5) << run.shown;
    EXPECT_NE(run.shown.find("frame 1 of 999999999"), std::string::npos) << run.shown;
    EXPECT_NE(run.shown.find("reaches beyond the scene's frames 0 to 47"), std::string::npos)
        << run.shown;
    EXPECT_GT(run.peakKilobytes, 0);
    EXPECT_LT(run.peakKilobytes, 500 * 1024) << "peak memory " << run.peakKilobytes << " kB";
}

TEST(BigJobs, ARunThatWillWriteGigabytesSaysHowMuchAndWhere) {
    const ScratchFolder folder;
    const std::string out = (folder / "out").string();
    const WatchedRun run = watchRun(
        {"run", bush.string(), "--out", out, "--frames", "0-47000", "--no-svg"},
        [](const std::string &shown) { return shown.find("frames)") != std::string::npos; });
    const std::size_t warning = run.shown.find("this run will write about ");
    ASSERT_NE(warning, std::string::npos) << run.shown;
    const std::string line = run.shown.substr(warning, run.shown.find('\n', warning) - warning);
    EXPECT_NE(line.find(" GB to " + out + " ("), std::string::npos) << line;
    EXPECT_NE(line.find("B a frame, 47001 frames)"), std::string::npos) << line;
}

}  // namespace
