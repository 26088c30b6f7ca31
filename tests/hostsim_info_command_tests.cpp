// vistrelle info, run as a process on the built module and on files it must refuse.
#include "hostsim_test_files.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

struct CommandRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string quoted(const std::string &text) { return "'" + text + "'"; }

CommandRun vistrelle(const std::string &arguments) {
    const auto errFile = hostsim_test::scratchFile("stderr.txt", {});
    const std::string command = quoted(VISTRELLE_COMMAND_FILE) + " " + arguments + " 2>" + quoted(errFile.string());
    CommandRun run;
    FILE *pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.out.append(buffer, n);
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream err(errFile);
    std::ostringstream text;
    text << err.rdbuf();
    run.err = text.str();
    return run;
}

TEST(InfoOnTheModule, PrintsDescriptorServersAndVersionRecord) {
    const CommandRun run = vistrelle("info " + quoted(VISTREL_MODULE_FILE));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(run.err.empty());
    const std::string magicWord = sizeof(void *) == 8 ? "0x0000000004121994" : "0x04121994";
    EXPECT_NE(run.out.find("magic       " + magicWord), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("systemWord  0x"), std::string::npos);
    EXPECT_NE(run.out.find("startup answered 4"), std::string::npos);
    EXPECT_NE(run.out.find("DisplacementHandler    Vistrelle    extraInfo 0"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("DisplacementInterface  Vistrelle    extraInfo 0"), std::string::npos);
    EXPECT_NE(run.out.find("FileVersion=1.0.1.71"), std::string::npos);
    EXPECT_NE(run.out.find("OriginalFilename=vistrel.p"), std::string::npos);
}

TEST(InfoOnTheModule, DefaultsToTheModuleBuiltBesideIt) {
    const CommandRun run = vistrelle("info");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("FileVersion=1.0.1.71"), std::string::npos);
}

TEST(InfoRefusals, MissingFileIsOneLineAndExitCodeOne) {
    const CommandRun run = vistrelle("info /nonexistent/vistrel.p");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "/nonexistent/vistrel.p: no such file\n");
    EXPECT_TRUE(run.out.empty());
}

TEST(InfoRefusals, SharedObjectWithoutDescriptorIsOneLine) {
    const CommandRun run = vistrelle("info " + quoted(FIXTURE_NO_DESCRIPTOR_FILE));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, std::string(FIXTURE_NO_DESCRIPTOR_FILE) + ": no _mod_descrip symbol\n");
}

TEST(InfoHelp, ShowsAWorkingExample) {
    const CommandRun run = vistrelle("--help");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("\n  vistrelle info "), std::string::npos) << run.out;
    const CommandRun sub = vistrelle("info --help");
    EXPECT_NE(sub.out.find("vistrelle info "), std::string::npos) << sub.out;
}

}  // namespace
