// Random call orders: programs of host calls drawn from the seed and read by the same interpreter
// as the fuzzer's inputs, so that newTime is left out or doubled, panel edits and loads fall in the
// middle of passes, the item list changes and several instances interleave.
#include "validate/groups.h"

#include "validate/call_sequence.h"
#include "validate/test_scenes.h"
#include "validate/validation_failure.h"

#include <vector>

namespace validate {

std::string runCallOrderGroup(const GroupOptions &options) {
    const int programs = options.quick ? 30 : 300;
    constexpr std::size_t programBytes = 1500;
    Random random(options.seed);
    std::size_t calls = 0;
    PassTally tally;
    for (int i = 0; i < programs; ++i) {
        std::vector<std::uint8_t> bytes(programBytes);
        for (auto &b : bytes) b = static_cast<std::uint8_t>(random());
        try {
            const SequenceSummary summary = runCallSequence(options.module, bytes);
            calls += summary.calls;
            tally += summary.tally;
        } catch (const std::exception &error) {
            fail("program " + std::to_string(i + 1) + ", " + error.what());
        }
    }
    return std::to_string(programs) + " programs, " + std::to_string(calls) + " host calls, " +
           std::to_string(tally.evaluated) + " points evaluated, " + std::to_string(tally.turned) +
           " turned";
}

}  // namespace validate
