// vistrelle on modules whose descriptor points where they own nothing: one line naming the bad
// field, exit code 1, and nothing crashes.
#include "tests/cli/command_process.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string wildServers = HOSTILE_WILD_SERVERS_FILE;
const std::string wildActivation = HOSTILE_WILD_ACTIVATION_FILE;
const std::string tinyDescriptor = HOSTILE_TINY_DESCRIPTOR_FILE;

TEST(HostileModules, InfoShowsTheDescriptorThenOneLineAndExitsWithOne) {
    const clitest::CommandOutcome info = clitest::runVistrelle({"info", wildServers});
    EXPECT_EQ(info.exitCode, 1);
    const std::string wildWord =
        "0x" + std::string(2 * sizeof(void *) - 4, '0') + "2000";  // as wide as a pointer
    EXPECT_NE(info.out.find("serverList  " + wildWord), std::string::npos) << info.out;
    EXPECT_EQ(
        info.err,
        wildServers + ": _mod_descrip serverList 0x00002000 lies outside the module's data\n");

    const clitest::CommandOutcome tiny = clitest::runVistrelle({"info", tinyDescriptor});
    EXPECT_EQ(tiny.exitCode, 1);
    EXPECT_EQ(clitest::linesOf(tiny.err).size(), 1u) << tiny.err;
    EXPECT_EQ(tiny.out, "module " + tinyDescriptor + "\n");
}

TEST(HostileModules, RunExitsWithOneInsteadOfCrashing) {
    const testkit::ScratchFolder folder;
    for (const std::string &path : {wildServers, wildActivation, tinyDescriptor}) {
        const clitest::CommandOutcome run =
            clitest::runVistrelle({"run", clitest::fixture("cards.json").string(), "--out",
                                   (folder / "out").string(), "--module", path});
        EXPECT_EQ(run.exitCode, 1) << path << ": " << run.err;
        EXPECT_TRUE(run.err.starts_with(path + ": ")) << run.err;
    }
}

}  // namespace
