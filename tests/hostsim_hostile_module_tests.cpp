// Modules whose descriptor points where they own nothing, loaded through the stand-in host and
// through vistrelle: each is refused with one line naming the bad field, and nothing crashes.
#include "hostsim/host.h"
#include "hostsim/host_error.h"
#include "hostsim/module_library.h"
#include "tests/command_process.h"
#include "tests/hostsim_test_files.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using hostsim::HostError;
using hostsim::ModuleLibrary;
using hostsim_test::loadError;

const std::string wildServers = HOSTILE_WILD_SERVERS_FILE;
const std::string wildActivation = HOSTILE_WILD_ACTIVATION_FILE;
const std::string tinyDescriptor = HOSTILE_TINY_DESCRIPTOR_FILE;

TEST(HostileModules, WildServerListIsRefusedBeforeItIsRead) {
    EXPECT_EQ(loadError(wildServers), wildServers + ": _mod_descrip serverList 0x00002000 lies outside the module's data");
}

TEST(HostileModules, WildActivationAddressIsRefusedBeforeItIsCalled) {
    EXPECT_EQ(loadError(wildActivation), wildActivation + ": server entry 2 activateFn 0x00001000 lies outside the module's code");
}

TEST(HostileModules, OneByteDescriptorIsRefusedBeforeItIsRead) {
    EXPECT_EQ(loadError(tinyDescriptor), tinyDescriptor + ": _mod_descrip is 1 byte, a module descriptor takes " +
                                             std::to_string(sizeof(ModuleDescriptor)));
}

TEST(HostileModules, TheHostRefusesThemAsTheLoaderDoes) {
    for (const std::string &path : {wildServers, wildActivation, tinyDescriptor})
        EXPECT_THROW(hostsim::Host host(path), HostError) << path;
}

TEST(HostileModules, InspectionReadsWhatItCanWithoutCallingTheModule) {
    const hostsim::ModuleInspection wild = ModuleLibrary::inspect(wildActivation);
    ASSERT_TRUE(wild.descriptorWords.has_value());
    EXPECT_EQ((*wild.descriptorWords)[0], MODULE_MAGIC);
    ASSERT_EQ(wild.servers.size(), 1u);  // the first entry is sound, the second is not
    EXPECT_EQ(wild.servers[0].pluginClass, "DisplacementHandler");
    EXPECT_NE(wild.fault.find("server entry 2 activateFn"), std::string::npos) << wild.fault;

    const hostsim::ModuleInspection tiny = ModuleLibrary::inspect(tinyDescriptor);
    EXPECT_FALSE(tiny.descriptorWords.has_value());
    EXPECT_NE(tiny.fault.find("_mod_descrip is 1 byte"), std::string::npos) << tiny.fault;
}

TEST(HostileModules, InfoShowsTheDescriptorThenOneLineAndExitsWithOne) {
    const clitest::CommandOutcome info = clitest::runVistrelle({"info", wildServers});
    EXPECT_EQ(info.exitCode, 1);
    const std::string wildWord = "0x" + std::string(2 * sizeof(void *) - 4, '0') + "2000";  // as wide as a pointer
    EXPECT_NE(info.out.find("serverList  " + wildWord), std::string::npos) << info.out;
    EXPECT_EQ(info.err, wildServers + ": _mod_descrip serverList 0x00002000 lies outside the module's data\n");

    const clitest::CommandOutcome tiny = clitest::runVistrelle({"info", tinyDescriptor});
    EXPECT_EQ(tiny.exitCode, 1);
    EXPECT_EQ(clitest::linesOf(tiny.err).size(), 1u) << tiny.err;
    EXPECT_EQ(tiny.out, "module " + tinyDescriptor + "\n");
}

TEST(HostileModules, RunExitsWithOneInsteadOfCrashing) {
    const clitest::ScratchFolder folder;
    for (const std::string &path : {wildServers, wildActivation, tinyDescriptor}) {
        const clitest::CommandOutcome run =
            clitest::runVistrelle({"run", clitest::fixture("cards.json").string(), "--out", (folder / "out").string(), "--module", path});
        EXPECT_EQ(run.exitCode, 1) << path << ": " << run.err;
        EXPECT_TRUE(run.err.starts_with(path + ": ")) << run.err;
    }
}

}  // namespace
