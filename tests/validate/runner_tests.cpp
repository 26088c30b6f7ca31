// The group runner on groups made here: a verdict comes back from the child process whatever the
// group does (passes, throws, aborts, exits, hangs), and the byte reader behind the random
// programs.
#include "validate/byte_reader.h"
#include "validate/group_runner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <set>
#include <stdexcept>
#include <thread>

namespace {

using validate::Group;
using validate::GroupOptions;
using validate::RunOptions;

validate::GroupOutcome run(std::string (*body)(const GroupOptions &), bool fork = true,
                           int seconds = 20) {
    const Group group{"test", "a group made by the test", false, body};
    return validate::runGroup(group, GroupOptions{},
                              RunOptions{fork, std::chrono::seconds(seconds)});
}

TEST(GroupRunner, APassingGroupGivesItsSummary) {
    const auto outcome = run([](const GroupOptions &) { return std::string("all 3 fine"); });
    EXPECT_TRUE(outcome.passed);
    EXPECT_EQ(outcome.detail, "all 3 fine");
}

TEST(GroupRunner, AThrowingGroupGivesItsMessage) {
    for (const bool fork : {true, false}) {
        const auto outcome = run(
            [](const GroupOptions &) -> std::string { throw std::runtime_error("point 4 moved"); },
            fork);
        EXPECT_FALSE(outcome.passed);
        EXPECT_EQ(outcome.detail, "point 4 moved");
    }
}

TEST(GroupRunner, AnAbortingGroupIsReportedWithItsSignal) {
    const auto outcome = run([](const GroupOptions &) -> std::string { std::abort(); });
    EXPECT_FALSE(outcome.passed);
    EXPECT_EQ(outcome.detail, "crashed with SIGABRT");
}

TEST(GroupRunner, AGroupThatExitsWithoutAVerdictIsAFailure) {
    const auto outcome = run([](const GroupOptions &) -> std::string { std::_Exit(3); });
    EXPECT_FALSE(outcome.passed);
    EXPECT_EQ(outcome.detail.rfind("exited with code 3", 0), 0u) << outcome.detail;
}

TEST(GroupRunner, AGroupPastItsTimeLimitIsEnded) {
    const auto outcome = run(
        [](const GroupOptions &) {
            std::this_thread::sleep_for(std::chrono::seconds(30));
            return std::string("too late");
        },
        true, 1);
    EXPECT_FALSE(outcome.passed);
    EXPECT_EQ(outcome.detail, "took longer than its limit of 1 s and was ended");
    EXPECT_LT(outcome.seconds, 10.0);
}

TEST(ByteReader, ReadsZeroPastTheEnd) {
    const std::uint8_t bytes[] = {7};
    validate::ByteReader reader(bytes);
    EXPECT_EQ(reader.byte(), 7);
    EXPECT_TRUE(reader.empty());
    EXPECT_EQ(reader.byte(), 0);
    EXPECT_EQ(reader.word(), 0u);
    EXPECT_EQ(reader.interestingInt(), -2);
}

TEST(ByteReader, ChoicesStayInRangeAndReachTheExtremes) {
    std::vector<std::uint8_t> bytes(4096);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 37 + i / 256);
    validate::ByteReader reader(bytes);
    std::set<std::int32_t> ints;
    while (!reader.empty()) {
        EXPECT_LT(reader.below(6), 6u);
        ints.insert(reader.interestingInt());
    }
    EXPECT_TRUE(ints.contains(INT_MIN));
    EXPECT_TRUE(ints.contains(INT_MAX));
    EXPECT_TRUE(ints.contains(0));
}

}  // namespace
