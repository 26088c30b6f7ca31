// vistrelle info, run as a process on the built module and on files it must refuse.
#include "tests/cli/command_process.h"

#include <gtest/gtest.h>

namespace {

using clitest::CommandOutcome;
using clitest::runVistrelle;

TEST(InfoOnTheModule, PrintsDescriptorServersAndVersionRecord) {
    const CommandOutcome run = runVistrelle({"info", VISTREL_MODULE_FILE});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(run.err.empty());
    const std::string magicWord = sizeof(void *) == 8 ? "0x0000000004121994" : "0x04121994";
    EXPECT_NE(run.out.find("magic       " + magicWord), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("systemWord  0x"), std::string::npos);
    EXPECT_NE(run.out.find("startup answered 4"), std::string::npos);
    EXPECT_NE(run.out.find("DisplacementHandler    Vistrelle    extraInfo 0"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("DisplacementInterface  Vistrelle    extraInfo 0"), std::string::npos);
    EXPECT_NE(run.out.find("FileVersion=1.0.1.71"), std::string::npos);
    EXPECT_NE(run.out.find("OriginalFilename=vistrel.p"), std::string::npos);
}

TEST(InfoOnTheModule, DefaultsToTheModuleBuiltBesideIt) {
    const CommandOutcome run = runVistrelle({"info"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("FileVersion=1.0.1.71"), std::string::npos);
}

TEST(InfoRefusals, MissingFileIsOneLineAndExitCodeOne) {
    const CommandOutcome run = runVistrelle({"info", "/nonexistent/vistrel.p"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "/nonexistent/vistrel.p: no such file\n");
    EXPECT_TRUE(run.out.empty());
}

TEST(InfoRefusals, SharedObjectWithoutDescriptorIsOneLine) {
    const CommandOutcome run = runVistrelle({"info", FIXTURE_NO_DESCRIPTOR_FILE});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, std::string(FIXTURE_NO_DESCRIPTOR_FILE) + ": no _mod_descrip symbol\n");
}

// A module that crashes or calls exit() in its startup: one line naming the entry, exit code 1.
TEST(InfoRefusals, AModuleThatCrashesOrExitsInItsStartupIsOneLineNamingTheEntry) {
    const std::string crash = MISBEHAVING_STARTUP_CRASH_FILE;
    const CommandOutcome crashed = runVistrelle({"info", crash});
    EXPECT_EQ(crashed.exitCode, 1) << crashed.err;
    // The sanitizer builds catch the null store first and end the process themselves.
    if (crashed.err.find("runtime error:") == std::string::npos) {
        EXPECT_EQ(crashed.err, crash + ": crashed (SIGSEGV) in startup\n");
    }
    const std::string exit = std::string(HOSTILE_EXIT_IN_FILE) + "1.p";
    const CommandOutcome exited = runVistrelle({"info", exit});
    EXPECT_EQ(exited.exitCode, 1) << exited.err;
    EXPECT_EQ(exited.err, exit + ": called exit() in startup\n");
}

TEST(InfoHelp, ShowsAWorkingExample) {
    const CommandOutcome run = runVistrelle({"--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("\n  vistrelle info "), std::string::npos) << run.out;
    const CommandOutcome sub = runVistrelle({"info", "--help"});
    EXPECT_NE(sub.out.find("vistrelle info "), std::string::npos) << sub.out;
}

}  // namespace
