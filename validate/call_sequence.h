// Host calls read from a byte string and made on the module through the validator's host, every
// one checked: the fuzzer's program and the validator's random call orders. Any byte string is a
// valid program; a violated check throws ValidationFailure (or hostsim::HostError when the host
// itself refuses what the module did).
#pragma once

#include "validate/pass_check.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <span>

namespace validate {

struct SequenceSummary {
    std::size_t calls = 0;
    PassTally tally;
};

// Longest program read; the rest of a longer byte string is ignored.
inline constexpr std::size_t maxSequenceCalls = 2000;

// With `trace`, every call is written there as it is made, one line each.
SequenceSummary runCallSequence(const std::filesystem::path &module,
                                std::span<const std::uint8_t> bytes, std::ostream *trace = nullptr);

}  // namespace validate
