// The version record reader: the built module's record, both ELF classes, malformed contents,
// and files cut short or scrambled, which must give a HostError and never a bad read.
#include "hostsim/host_error.h"
#include "hostsim/version_record.h"
#include "tests/hostsim/test_files.h"

#include <elf.h>
#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

using hostsim::HostError;
using hostsim::readVersionRecord;
using namespace hostsim_test;

const Bytes goodRecord = bytesOf(std::string_view("FileVersion=1.2.3.4\0InternalName=x\0\0", 37));

std::string readError(const std::filesystem::path &path) {
    try {
        readVersionRecord(path);
    } catch (const HostError &error) {
        return error.what();
    }
    ADD_FAILURE() << path << " read";
    return {};
}

TEST(BuiltModuleRecord, HoldsTheReleaseIdentity) {
    const auto record = readVersionRecord(VISTREL_MODULE_FILE);
    using Entry = std::pair<std::string, std::string>;
    const std::vector<Entry> expected = {
        {"FileVersion", "1.0.1.71"},      {"ProductVersion", "1.0.0.1"},
        {"FileDescription", "Vistrelle"}, {"ProductName", "Vistrelle"},
        {"InternalName", "vistrel"},      {"OriginalFilename", "vistrel.p"}};
    EXPECT_EQ(record.entries, expected);
    EXPECT_EQ(record.value("FileVersion"), "1.0.1.71");
    EXPECT_EQ(record.value("Missing"), std::nullopt);
}

TEST(BothElfClasses, ThirtyTwoBitFileIsRead) {
    const auto path = scratchFile(
        "r32.p", syntheticElf(32, ET_DYN, EM_386,
                              {{".text", bytesOf("code")}, {".vistrel.version", goodRecord}}));
    const auto record = readVersionRecord(path);
    ASSERT_EQ(record.entries.size(), 2u);
    EXPECT_EQ(record.value("InternalName"), "x");
}

TEST(BothElfClasses, SixtyFourBitFileIsRead) {
    const auto path = scratchFile(
        "r64.p", syntheticElf(64, ET_DYN, EM_X86_64, {{".vistrel.version", goodRecord}}));
    EXPECT_EQ(readVersionRecord(path).value("FileVersion"), "1.2.3.4");
}

TEST(RecordContents, EmptyRecordHasNoEntries) {
    EXPECT_TRUE(
        hostsim::parseVersionRecord(bytesOf(std::string_view("\0", 1)), "m.p").entries.empty());
}

TEST(RecordContents, ValueMayHoldEqualsSigns) {
    const auto record =
        hostsim::parseVersionRecord(bytesOf(std::string_view("Note=a=b\0\0", 10)), "m.p");
    EXPECT_EQ(record.value("Note"), "a=b");
}

TEST(RecordContents, MalformedRecordsNameTheFault) {
    struct Case {
        std::string_view contents;
        std::string message;
    };
    const Case cases[] = {
        {std::string_view("A=1\0", 4),
         "m.p: section .vistrel.version is not closed by an empty entry"},
        {std::string_view("A=1\0B=2", 7),
         "m.p: section .vistrel.version: entry 2 has no closing zero byte"},
        {std::string_view("A=1\0Bee\0\0", 9),
         "m.p: section .vistrel.version: entry 2 is not key=value"},
        {std::string_view("=1\0\0", 4), "m.p: section .vistrel.version: entry 1 is not key=value"},
        {std::string_view("", 0), "m.p: section .vistrel.version is not closed by an empty entry"},
    };
    for (const Case &c : cases) {
        try {
            hostsim::parseVersionRecord(bytesOf(c.contents), "m.p");
            ADD_FAILURE() << "accepted " << c.message;
        } catch (const HostError &error) {
            EXPECT_EQ(std::string(error.what()), c.message);
        }
    }
}

TEST(MissingRecord, ElfWithoutTheSectionSaysSo) {
    const auto path =
        scratchFile("plain.p", syntheticElf(64, ET_DYN, EM_X86_64, {{".data", bytesOf("x")}}));
    EXPECT_EQ(readError(path), path.string() + ": no section .vistrel.version");
}

TEST(MissingRecord, SharedObjectBuiltWithoutOneSaysSo) {
    EXPECT_EQ(readError(FIXTURE_NO_DESCRIPTOR_FILE),
              std::string(FIXTURE_NO_DESCRIPTOR_FILE) + ": no section .vistrel.version");
}

TEST(MissingRecord, NonElfFileSaysSo) {
    const auto path = scratchFile("text.p", bytesOf("FileVersion=1.0.1.71"));
    EXPECT_EQ(readError(path), path.string() + ": not an ELF shared object (no ELF header)");
}

TEST(DamagedFiles, SectionBeyondTheFileIsRefused) {
    Bytes file = syntheticElf(64, ET_DYN, EM_X86_64, {{".vistrel.version", goodRecord}});
    // Point the section table far past the end.
    Elf64_Ehdr header;
    std::memcpy(&header, file.data(), sizeof header);
    header.e_shoff = 1u << 30;
    std::memcpy(file.data(), &header, sizeof header);
    const auto path = scratchFile("far.p", file);
    const std::string message = readError(path);
    EXPECT_TRUE(message.starts_with(path.string() + ": ELF section header ")) << message;
    EXPECT_TRUE(message.ends_with(" lies outside the file")) << message;
}

TEST(DamagedFiles, EveryTruncationOfTheModuleIsRefused) {
    const Bytes whole = readFile(VISTREL_MODULE_FILE);
    ASSERT_GT(whole.size(), 1000u);
    for (std::size_t length = 0; length < whole.size(); length += 1 + length / 7) {
        const auto path = scratchFile(
            "cut.p", Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)));
        EXPECT_THROW(readVersionRecord(path), HostError) << "length " << length;
    }
}

TEST(DamagedFiles, ScrambledModulesGiveARecordOrAnError) {
    const Bytes whole = readFile(VISTREL_MODULE_FILE);
    std::mt19937 random(20240601);
    std::uniform_int_distribution<std::size_t> position(0, whole.size() - 1);
    std::uniform_int_distribution<int> value(0, 255);
    for (int round = 0; round < 200; ++round) {
        Bytes scrambled = whole;
        for (int i = 0; i < 8; ++i)
            scrambled[position(random)] = static_cast<std::byte>(value(random));
        // Damage aimed at the file header and the section table at the end, where a bad offset
        // would be followed.
        for (int i = 0; i < 4; ++i)
            scrambled[position(random) % 64] = static_cast<std::byte>(value(random));
        for (int i = 0; i < 4; ++i)
            scrambled[whole.size() - 1 - position(random) % 1024] =
                static_cast<std::byte>(value(random));
        const auto path = scratchFile("scrambled.p", scrambled);
        try {
            readVersionRecord(path);
        } catch (const HostError &) {}
    }
}

}  // namespace
