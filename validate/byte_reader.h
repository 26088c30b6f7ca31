// Reads a byte string as a stream of small choices, for the fuzzer and the random call orders. Past
// the end every read gives 0, so any byte string is a valid program.
#pragma once

#include <bit>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>

namespace validate {

class ByteReader {
  public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool empty() const { return next_ >= bytes_.size(); }

    std::uint8_t byte() { return empty() ? 0 : bytes_[next_++]; }

    std::uint32_t word() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(byte()) << (8 * i);
        return value;
    }

    // A choice among `count` (at most 256) possibilities.
    std::size_t below(std::size_t count) { return count == 0 ? 0 : byte() % count; }

    // Mostly small values, sometimes the extremes of the type, sometimes any value at all.
    std::int32_t interestingInt() {
        const std::uint8_t kind = byte();
        if (kind < 160) return static_cast<std::int32_t>(kind % 12) - 2;
        if (kind < 200) {
            static constexpr std::int32_t edges[] = {INT_MIN, INT_MAX, INT_MIN + 1, INT_MAX - 1,
                                                     7,       100,     -100,        65536};
            return edges[kind % 8];
        }
        return static_cast<std::int32_t>(word());
    }

    // Mostly ordinary coordinates, sometimes non-finite, huge, tiny or any bit pattern.
    double interestingDouble() {
        const std::uint8_t kind = byte();
        if (kind < 128) return static_cast<double>(static_cast<std::int32_t>(kind % 41) - 20) / 2.0;
        if (kind < 200) {
            static constexpr double edges[] = {std::numeric_limits<double>::quiet_NaN(),
                                               std::numeric_limits<double>::infinity(),
                                               -std::numeric_limits<double>::infinity(),
                                               1e30,
                                               -1e30,
                                               1e-30,
                                               DBL_MAX,
                                               -DBL_MAX,
                                               DBL_MIN / 4,
                                               -0.0,
                                               3.4e38,
                                               1e300};
            return edges[kind % 12];
        }
        const std::uint64_t bits =
            static_cast<std::uint64_t>(word()) | (static_cast<std::uint64_t>(word()) << 32);
        return std::bit_cast<double>(bits);
    }

    float interestingFloat() {
        const std::uint8_t kind = byte();
        if (kind < 128) return static_cast<float>(static_cast<std::int32_t>(kind % 41) - 20) / 4.0f;
        if (kind < 200) {
            static constexpr float edges[] = {std::numeric_limits<float>::quiet_NaN(),
                                              std::numeric_limits<float>::infinity(),
                                              -std::numeric_limits<float>::infinity(),
                                              1e30f,
                                              -1e30f,
                                              1e-30f,
                                              FLT_MAX,
                                              -FLT_MAX,
                                              1e-40f,
                                              -0.0f};
            return edges[kind % 10];
        }
        return std::bit_cast<float>(word());
    }

  private:
    std::span<const std::uint8_t> bytes_;
    std::size_t next_ = 0;
};

}  // namespace validate
