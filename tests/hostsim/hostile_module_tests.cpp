// Modules whose descriptor points where they own nothing, loaded through the stand-in host: each is
// refused with one line naming the bad field before any of its pointers is followed.
#include "hostsim/host.h"
#include "hostsim/host_error.h"
#include "hostsim/module_library.h"
#include "tests/hostsim/test_files.h"

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
    EXPECT_EQ(loadError(wildServers),
              wildServers + ": _mod_descrip serverList 0x00002000 lies outside the module's data");
}

TEST(HostileModules, WildActivationAddressIsRefusedBeforeItIsCalled) {
    EXPECT_EQ(
        loadError(wildActivation),
        wildActivation + ": server entry 2 activateFn 0x00001000 lies outside the module's code");
}

TEST(HostileModules, OneByteDescriptorIsRefusedBeforeItIsRead) {
    EXPECT_EQ(loadError(tinyDescriptor),
              tinyDescriptor + ": _mod_descrip is 1 byte, a module descriptor takes " +
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

}  // namespace
