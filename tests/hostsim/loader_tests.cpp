// The stand-in host's loader: every file it must refuse gets one clear line naming the file, and
// a good module is loaded, started and walked.
#include "hostsim/host_error.h"
#include "hostsim/module_library.h"
#include "tests/hostsim/test_files.h"

#include "host/service_names.h"

#include <elf.h>
#include <gtest/gtest.h>

#include <string>

namespace {

using hostsim::HostError;
using hostsim::ModuleLibrary;
using namespace hostsim_test;

constexpr bool wideHost = sizeof(void *) == 8;

TEST(LoaderRefusals, MissingFileIsNamed) {
    EXPECT_EQ(loadError("/nonexistent/vistrel.p"), "/nonexistent/vistrel.p: no such file");
}

TEST(LoaderRefusals, TextFileIsNotAnElfSharedObject) {
    const auto path = scratchFile("notes.p", bytesOf("leaves turn toward the light\n"));
    EXPECT_EQ(loadError(path), path.string() + ": not an ELF shared object (no ELF header)");
}

TEST(LoaderRefusals, EmptyFileIsNotAnElfSharedObject) {
    const auto path = scratchFile("empty.p", {});
    EXPECT_EQ(loadError(path), path.string() + ": not an ELF shared object (no ELF header)");
}

TEST(LoaderRefusals, TruncatedElfHeaderIsRefused) {
    Bytes header = syntheticElf(wideHost ? 64 : 32, ET_DYN, wideHost ? EM_X86_64 : EM_386, {});
    header.resize(20);
    const auto path = scratchFile("short.p", header);
    EXPECT_EQ(loadError(path), path.string() + ": truncated ELF header");
}

TEST(LoaderRefusals, ElfOfTheOtherWordSizeNamesBoth) {
    const auto path = scratchFile(
        "other.p", syntheticElf(wideHost ? 32 : 64, ET_DYN, wideHost ? EM_386 : EM_X86_64, {}));
    EXPECT_EQ(loadError(path), path.string() + (wideHost ? ": ELF32 i386, this host is x86-64"
                                                         : ": ELF64 x86-64, this host is i386"));
}

TEST(LoaderRefusals, ElfOfAnotherMachineNamesIt) {
    const auto path = scratchFile(
        "arm.p", syntheticElf(wideHost ? 64 : 32, ET_DYN, wideHost ? EM_AARCH64 : EM_ARM, {}));
    EXPECT_EQ(loadError(path), path.string() + (wideHost ? ": ELF64 AArch64, this host is x86-64"
                                                         : ": ELF32 ARM, this host is i386"));
}

TEST(LoaderRefusals, RelocatableObjectIsNotASharedObject) {
    const auto path = scratchFile(
        "object.o", syntheticElf(wideHost ? 64 : 32, ET_REL, wideHost ? EM_X86_64 : EM_386, {}));
    EXPECT_EQ(loadError(path),
              path.string() + (wideHost ? ": not an ELF shared object (ELF64 x86-64, type 1)"
                                        : ": not an ELF shared object (ELF32 i386, type 1)"));
}

TEST(LoaderRefusals, SharedObjectWithoutDescriptor) {
    EXPECT_EQ(loadError(FIXTURE_NO_DESCRIPTOR_FILE),
              std::string(FIXTURE_NO_DESCRIPTOR_FILE) + ": no _mod_descrip symbol");
}

TEST(LoaderRefusals, WrongMagicIsShownWithTheExpectedOne) {
    EXPECT_EQ(loadError(FIXTURE_BAD_MAGIC_FILE),
              std::string(FIXTURE_BAD_MAGIC_FILE) +
                  ": _mod_descrip magic is 0x12345678, expected 0x04121994");
}

TEST(LoaderRefusals, ServerListWithoutClosingEntry) {
    EXPECT_EQ(
        loadError(FIXTURE_UNCLOSED_SERVERS_FILE),
        std::string(FIXTURE_UNCLOSED_SERVERS_FILE) + ": server list not closed after 64 entries");
}

TEST(LoaderRefusals, EveryMessageIsOneLine) {
    for (const char *path : {"/nonexistent", FIXTURE_NO_DESCRIPTOR_FILE, FIXTURE_BAD_MAGIC_FILE})
        EXPECT_EQ(loadError(path).find('\n'), std::string::npos) << path;
}

TEST(LoadedModule, StartsAndListsItsServers) {
    const ModuleLibrary module(VISTREL_MODULE_FILE);
    EXPECT_EQ(module.startupAnswer(), 4u);
    ASSERT_EQ(module.servers().size(), 2u);
    EXPECT_EQ(module.descriptorWords()[0], MODULE_MAGIC);
    EXPECT_STREQ(module.findServer(CLASS_DISPLACEMENT_INTERFACE, "Vistrelle").pluginClass,
                 CLASS_DISPLACEMENT_INTERFACE);
}

TEST(LoadedModule, UnknownServerIsAnErrorNamingClassAndName) {
    const ModuleLibrary module(VISTREL_MODULE_FILE);
    try {
        module.findServer(CLASS_DISPLACEMENT_HANDLER, "Elsewhere");
        FAIL() << "found";
    } catch (const HostError &error) {
        EXPECT_EQ(std::string(error.what()),
                  std::string(VISTREL_MODULE_FILE) +
                      ": class DisplacementHandler not served under name Elsewhere");
    }
}

TEST(LoadedModule, MovedLibraryStaysLoadedInItsNewOwner) {
    ModuleLibrary first(VISTREL_MODULE_FILE);
    ModuleLibrary second(std::move(first));
    EXPECT_EQ(second.servers().size(), 2u);
    EXPECT_EQ(second.descriptor().magic, MODULE_MAGIC);
}

}  // namespace
