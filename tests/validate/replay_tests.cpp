// The fuzzer's seed corpus and every input it found a fault with, replayed through the same
// call-sequence interpreter on this build's module: each must pass every check.
#include "validate/call_sequence.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

std::vector<std::uint8_t> readBytes(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void replayEvery(const std::filesystem::path &directory) {
    if (!std::filesystem::exists(directory)) return;
    for (const auto &entry : std::filesystem::directory_iterator(directory)) {
        if (!entry.is_regular_file()) continue;
        SCOPED_TRACE(entry.path().filename().string());
        const std::vector<std::uint8_t> bytes = readBytes(entry.path());
        try {
            validate::runCallSequence(VISTREL_MODULE_FILE, bytes);
        } catch (const std::exception &error) {
            ADD_FAILURE() << error.what();
        }
    }
}

TEST(FuzzReplay, EverySeedOfTheCorpusPasses) {
    ASSERT_TRUE(std::filesystem::exists(VISTREL_FUZZ_CORPUS_DIR));
    replayEvery(VISTREL_FUZZ_CORPUS_DIR);
}

TEST(FuzzReplay, EveryInputThatFoundAFaultPasses) { replayEvery(VISTREL_FUZZ_REGRESSIONS_DIR); }

TEST(FuzzReplay, AnEmptyInputIsAValidProgram) {
    const auto summary = validate::runCallSequence(VISTREL_MODULE_FILE, {});
    EXPECT_EQ(summary.calls, 0u);
}

}  // namespace
