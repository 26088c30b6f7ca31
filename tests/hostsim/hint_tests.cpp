// The host's reading of hint lists: each known tag understood, unknown tags skipped by their
// count, and malformed lists refused with a message instead of a read without end.
#include "hostsim/hint_list.h"
#include "hostsim/host_error.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using hostsim::HostError;
using hostsim::readHints;

template <typename T>
std::uintptr_t word(T *address) {
    return reinterpret_cast<std::uintptr_t>(address);
}

extern "C" void changed(Panel, std::uint32_t, std::uint32_t, std::int32_t) {}
extern "C" std::int32_t countEntries(void *) { return 2; }
extern "C" const char *entryName(void *, std::int32_t) { return "entry"; }

const char title[] = "Tav's Vistrelle";
const char *const choices[] = {"first point", "last point", nullptr};

// The list a panel of six controls hands over: 19 words.
std::vector<std::uintptr_t> panelList() {
    return {HINT_TITLE,
            0,
            word(title),
            0,
            HINT_CHANGE_NOTIFY,
            word(&changed),
            HINT_POPUP_FUNCS,
            0x8004,
            word(&countEntries),
            word(&entryName),
            HINT_DERIVED,
            0x8002,
            0x8003,
            0,
            HINT_STRING_LIST,
            0x8005,
            word(choices),
            0,
            HINT_END};
}

std::string hintError(const std::vector<std::uintptr_t> &list) {
    try {
        readHints(list.data());
    } catch (const HostError &error) {
        return error.what();
    }
    ADD_FAILURE() << "list accepted";
    return {};
}

TEST(WellFormedList, EveryTagIsUnderstood) {
    const auto list = panelList();
    const auto reading = readHints(list.data());
    EXPECT_EQ(reading.words, list);
    EXPECT_EQ(reading.title, "Tav's Vistrelle");
    EXPECT_EQ(reading.titleControl, 0u);
    EXPECT_EQ(reading.changeNotify, &changed);
    ASSERT_TRUE(reading.popups.contains(0x8004));
    EXPECT_EQ(reading.popups.at(0x8004).count, &countEntries);
    EXPECT_EQ(reading.popups.at(0x8004).name, &entryName);
    EXPECT_EQ(reading.derived.at(0x8002), std::vector<std::uint32_t>{0x8003});
    EXPECT_EQ(reading.stringLists.at(0x8005),
              (std::vector<std::string>{"first point", "last point"}));
    EXPECT_TRUE(reading.skippedTags.empty());
}

TEST(WellFormedList, EmptyListIsJustTheEndWord) {
    const std::vector<std::uintptr_t> list{HINT_END};
    const auto reading = readHints(list.data());
    EXPECT_EQ(reading.words.size(), 1u);
    EXPECT_TRUE(reading.tags.empty());
}

TEST(WellFormedList, ReadingStopsAtTheEndWord) {
    auto list = panelList();
    list.push_back(HINT_TITLE);  // beyond the end: never read
    EXPECT_EQ(readHints(list.data()).words.size(), 19u);
}

TEST(UnknownTags, ArePassedOverByTheirCount) {
    // Two arguments, the second a 0 that must not end the list, then a known tag.
    const std::vector<std::uintptr_t> list{0x3d00aa02,     7,       0, HINT_CHANGE_NOTIFY,
                                           word(&changed), HINT_END};
    const auto reading = readHints(list.data());
    EXPECT_EQ(reading.skippedTags, std::vector<std::uintptr_t>{0x3d00aa02});
    EXPECT_EQ(reading.changeNotify, &changed);
}

TEST(UnknownTags, WithAClosedListArePassedOverToTheirZero) {
    const std::vector<std::uintptr_t> list{0x3d00bb81, 0x8002, 5,      6, 0,       HINT_DERIVED,
                                           0x8002,     0x8003, 0x8004, 0, HINT_END};
    const auto reading = readHints(list.data());
    EXPECT_EQ(reading.skippedTags, std::vector<std::uintptr_t>{0x3d00bb81});
    EXPECT_EQ(reading.derived.at(0x8002), (std::vector<std::uint32_t>{0x8003, 0x8004}));
}

TEST(UnknownTags, WithNoArgumentsTakeOneWord) {
    const std::vector<std::uintptr_t> list{0x3d00cc00, HINT_END};
    EXPECT_EQ(readHints(list.data()).words.size(), 2u);
}

TEST(MalformedLists, ListWithoutEndWordIsRefusedAtTheBound) {
    // A tag of one argument, repeated: never a 0 where a tag is expected.
    const std::vector<std::uintptr_t> list(hostsim::maxHintWords + 100, 0x3d000101);
    EXPECT_EQ(hintError(list), "hint list: no end word within 4096 words");
}

TEST(MalformedLists, ClosedListWithoutItsZeroIsRefused) {
    std::vector<std::uintptr_t> list{HINT_DERIVED, 0x8002};
    list.resize(hostsim::maxHintWords + 100, 0x8003);
    EXPECT_EQ(hintError(list),
              "hint list: the list of tag 0x3d006781 has no closing 0 within 4096 words");
}

TEST(MalformedLists, ArgumentsRunningPastTheBoundAreRefused) {
    std::vector<std::uintptr_t> list(hostsim::maxHintWords - 1, 0x3d000101);
    list.back() = 0x3d0000ff;  // a tag that asks for 255 more words than the bound allows
    list.resize(hostsim::maxHintWords + 300, 1);
    EXPECT_EQ(hintError(list), "hint list: no end word within 4096 words");
}

TEST(MalformedLists, NullTitleTextIsRefused) {
    EXPECT_EQ(hintError({HINT_TITLE, 0, 0, 0, HINT_END}), "hint list: the title text is null");
}

TEST(MalformedLists, UnclosedStringListIsRefused) {
    const std::vector<const char *> endless(hostsim::maxStringListEntries + 10, "entry");
    EXPECT_EQ(hintError({HINT_STRING_LIST, 0x8005, word(endless.data()), 0, HINT_END}),
              "hint list: the string list of control 0x8005 is not closed within 256 entries");
}

TEST(MalformedLists, NullListIsRefused) { EXPECT_THROW(readHints(nullptr), HostError); }

}  // namespace
