// vistrelle validate run as a process: it passes the module and the tiny sound module, and fails
// each broken copy with a line that says what went wrong, going on past crashes and hangs.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

struct CommandRun {
    int code = -1;
    std::string output;
};

// Runs validate; stderr is dropped unless `withErrors`, which mixes it into the output.
CommandRun validate(const std::string &module, const std::string &options = "--quick --seed 5",
                    bool withErrors = false) {
    const std::string command = std::string(VISTRELLE_COMMAND_FILE) + " validate " + module + " " +
                                options + (withErrors ? " 2>&1" : " 2>/dev/null");
    CommandRun run;
    FILE *pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    std::array<char, 4096> buffer{};
    while (std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) run.output += buffer.data();
    const int status = ::pclose(pipe);
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string broken(const char *kind) {
    return std::string(VISTREL_BROKEN_DIR) + "/validate_broken_" + kind + ".p";
}

bool endsWith(const std::string &text, const std::string &tail) {
    return text.size() >= tail.size() && text.ends_with(tail);
}

TEST(ValidateCommandOnSoundModules, PassesTheModuleWithQuickCounts) {
    const CommandRun run = validate(VISTREL_MODULE_FILE);
    EXPECT_EQ(run.code, 0) << run.output;
    EXPECT_TRUE(endsWith(run.output, "6 passed, 0 failed\n")) << run.output;
}

TEST(ValidateCommandOnSoundModules, PassesAModuleThatKeepsEveryPointInPlace) {
    const CommandRun run = validate(broken("none"));
    EXPECT_EQ(run.code, 0) << run.output;
    EXPECT_TRUE(endsWith(run.output, "6 passed, 0 failed\n")) << run.output;
}

TEST(ValidateCommandOnSoundModules, RunsTheGroupsInProcessWithNoFork) {
    const CommandRun run = validate(VISTREL_MODULE_FILE, "--quick --seed 6 --no-fork");
    EXPECT_EQ(run.code, 0) << run.output;
    EXPECT_TRUE(endsWith(run.output, "6 passed, 0 failed\n")) << run.output;
}

TEST(ValidateCommandOnSoundModules, ReplaysARandomGroupFromItsSeed) {
    const CommandRun first = validate(VISTREL_MODULE_FILE, "--quick --seed 77 --only call-order");
    const CommandRun second = validate(VISTREL_MODULE_FILE, "--quick --seed 77 --only call-order");
    const auto summary = [](const std::string &out) {
        return out.substr(out.find("passed:"), out.find(" (") - out.find("passed:"));
    };
    ASSERT_EQ(first.code, 0) << first.output;
    EXPECT_EQ(summary(first.output), summary(second.output));
}

TEST(ValidateCommandOnBrokenModules, CatchesAnEvaluateThatWritesNaN) {
    const CommandRun run = validate(broken("nan"));
    EXPECT_EQ(run.code, 3);
    EXPECT_NE(run.output.find("FAILED: lifecycle"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("evaluate wrote the non-finite position"), std::string::npos)
        << run.output;
}

TEST(ValidateCommandOnBrokenModules, CatchesPointsMovedApartFromTheirLeaf) {
    const CommandRun run = validate(broken("stretch"));
    EXPECT_EQ(run.code, 3);
    EXPECT_NE(run.output.find("expected a turn about the pivot"), std::string::npos) << run.output;
}

TEST(ValidateCommandOnBrokenModules, CatchesASaveThatDoesNotGiveTheSettingsBack) {
    const CommandRun run = validate(broken("save"));
    EXPECT_EQ(run.code, 3);
    EXPECT_NE(run.output.find("save wrote 5 1 1 2 1; expected 4 0 0 1 0"), std::string::npos)
        << run.output;
}

TEST(ValidateCommandOnBrokenModules, RefusesABadMagicNumberInEveryGroup) {
    const CommandRun run = validate(broken("magic"));
    EXPECT_EQ(run.code, 3);
    EXPECT_NE(run.output.find("_mod_descrip magic is 0x12345678, expected 0x04121994"),
              std::string::npos)
        << run.output;
    EXPECT_TRUE(endsWith(run.output, "0 passed, 6 failed\n")) << run.output;
}

TEST(ValidateCommandOnBrokenModules, ReportsACrashAsAFailureAndGoesOn) {
    const CommandRun run = validate(broken("crash"));
    EXPECT_EQ(run.code, 3);
    // A plain build sees the signal; a sanitizer build sees the sanitizer's exit.
    const bool told = run.output.find("crashed with SIGSEGV") != std::string::npos ||
                      run.output.find("exited with code") != std::string::npos;
    EXPECT_TRUE(told) << run.output;
    EXPECT_NE(run.output.find("descriptor"), std::string::npos);
    EXPECT_NE(run.output.find("state"), std::string::npos);
    EXPECT_NE(run.output.find(" failed\n"), std::string::npos);
    EXPECT_EQ(run.output.find("0 failed"), std::string::npos);
}

TEST(ValidateCommandOnBrokenModules, EndsAGroupThatOverrunsItsTimeLimit) {
    const CommandRun run =
        validate(broken("hang"), "--quick --seed 5 --only lifecycle --time-limit 1");
    EXPECT_EQ(run.code, 3);
    EXPECT_NE(run.output.find("took longer than its limit of 1 s"), std::string::npos)
        << run.output;
    EXPECT_TRUE(endsWith(run.output, "0 passed, 1 failed\n")) << run.output;
}

TEST(ValidateCommandOnBrokenModules, PrintsHowToReplayAFailedRandomGroup) {
    const CommandRun run = validate(broken("nan"), "--quick --seed 31 --only lifecycle");
    EXPECT_NE(run.output.find("replay: vistrelle validate " + broken("nan") +
                              " --seed 31 --only lifecycle --quick"),
              std::string::npos)
        << run.output;
}

TEST(ValidateCommandOnBrokenModules, EndsWithItsFindingsAndExitCodeThreeNotAnErrorLine) {
    const CommandRun run = validate(broken("nan"), "--quick --seed 5 --only lifecycle", true);
    EXPECT_EQ(run.code, 3);
    EXPECT_TRUE(endsWith(run.output, "0 passed, 1 failed\n")) << run.output;
    EXPECT_EQ(run.output.find("Runtime error"), std::string::npos) << run.output;
}

TEST(ValidateCommandOnBrokenModules, ReportsACrashInActivationInOneLinePerGroup) {
    const CommandRun run =
        validate(std::string(VISTREL_BROKEN_DIR) + "/misbehaving_activation_crash.p");
    EXPECT_EQ(run.code, 3);
    if (run.output.find("exited with code") == std::string::npos) {
        EXPECT_NE(run.output.find("  FAILED: crashed with SIGSEGV ("), std::string::npos)
            << run.output;
    }
    EXPECT_TRUE(endsWith(run.output, " failed\n")) << run.output;
}

// A module that prints on standard output cannot spoil a group's verdict.
TEST(ValidateCommandOnBrokenModules, PassesAModuleThatPrints) {
    const CommandRun run = validate(std::string(VISTREL_BROKEN_DIR) + "/misbehaving_print.p");
    EXPECT_EQ(run.code, 0) << run.output;
    EXPECT_TRUE(endsWith(run.output, "6 passed, 0 failed\n")) << run.output;
}

}  // namespace

// A file that is no module of this machine is refused in one line with exit code 1, as info does,
// rather than failing every group.
namespace {

class ValidateCommandOnFilesThatAreNoModules : public ::testing::Test {
  protected:
    void TearDown() override { std::filesystem::remove_all(folder_); }
    std::filesystem::path folder_ = std::filesystem::temp_directory_path() /
                                    ("vistrel-validate-refusals-" + std::to_string(::getpid()));
};

TEST_F(ValidateCommandOnFilesThatAreNoModules, RefusesEachInOneLineWithExitCodeOne) {
    std::filesystem::create_directories(folder_ / "folder.p");
    std::ofstream(folder_ / "text.p") << "not a module\n";
    std::ofstream(folder_ / "empty.p").flush();
    for (const char *name : {"text.p", "empty.p", "missing.p", "folder.p"}) {
        const std::string file = (folder_ / name).string();
        const CommandRun run = validate(file, "--quick --seed 5", true);
        EXPECT_EQ(run.code, 1) << name << ": " << run.output;
        EXPECT_TRUE(run.output.starts_with(file + ": ")) << run.output;
        EXPECT_EQ(run.output.find('\n'), run.output.size() - 1) << run.output;
    }
}

}  // namespace

// The child side of a group on Windows, where a group's process is the command started again: the
// verdict alone on standard output, P or F and the group's line.
namespace {

TEST(ValidateCommandAsAGroupsChild, WritesOnlyTheVerdictOfItsOneGroup) {
    const CommandRun passed =
        validate(VISTREL_MODULE_FILE, "--quick --seed 5 --write-verdict --only descriptor");
    EXPECT_EQ(passed.code, 0);
    EXPECT_TRUE(passed.output.starts_with("P")) << passed.output;
    EXPECT_EQ(passed.output.find('\n'), std::string::npos) << passed.output;
    const CommandRun failed =
        validate(broken("nan"), "--quick --seed 5 --write-verdict --only lifecycle");
    EXPECT_TRUE(failed.output.starts_with("F")) << failed.output;
}

TEST(ValidateCommandAsAGroupsChild, NeedsExactlyOneGroup) {
    EXPECT_EQ(validate(VISTREL_MODULE_FILE, "--quick --write-verdict").code, 2);
}

}  // namespace
