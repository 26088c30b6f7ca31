// Many floats' decimals at once must be, float by float, what one at a time gives: the digits of an
// OBJ file do not depend on whether the processor took the vector path. Over every case the vector
// steps leave to the one-at-a-time path or select between (powers of two and ten, subnormals,
// zeros, infinities, NaNs, remainders at the interval's width), random bit patterns, coordinates, a
// stride through every float, and lengths that are not a multiple of the lanes.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "formats/text/float_decimals.h"
#include "formats/text/number_text.h"

namespace {

// Names the first few floats whose decimals differ between the two paths.
std::string differences(const std::vector<float> &values) {
    std::vector<formats::ShortestDecimal> many(values.size()), single(values.size());
    formats::shortestDecimals(values, many);
    formats::shortestDecimalsOneByOne(values, single);
    std::string found;
    std::size_t count = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const auto &a = many[i];
        const auto &b = single[i];
        if (a.bits == b.bits && a.digits == b.digits && a.exponent == b.exponent) continue;
        if (++count <= 5) {
            found += "\n  bits " + std::to_string(std::bit_cast<std::uint32_t>(values[i])) +
                     " at " + std::to_string(i) + ": " + std::to_string(a.digits) + "e" +
                     std::to_string(a.exponent) + " against " + std::to_string(b.digits) + "e" +
                     std::to_string(b.exponent);
        }
    }
    return count == 0 ? std::string() : std::to_string(count) + " differ" + found;
}

TEST(ManyFloatDecimals, HardCasesGiveTheDigitsOfOneAtATime) {
    std::vector<float> values{0.0f,   -0.0f,   INFINITY,       -INFINITY,      NAN,          -NAN,
                              1e-45f, -1e-45f, 1.1754942e-38f, 1.1754944e-38f, 3.4028235e38f};
    // Around every power of two (the shorter interval) and every power of ten (trailing zeros).
    for (std::uint32_t exponent = 0; exponent < 255; ++exponent) {
        for (std::uint32_t step = 0; step < 8; ++step) {
            values.push_back(std::bit_cast<float>((exponent << 23) + step));
            values.push_back(std::bit_cast<float>((exponent << 23) - step - 1));
        }
    }
    for (int power = -45; power <= 38; ++power) {
        for (const float digits : {1.0f, 1.5f, 2.0f, 5.0f, 9.999999f}) {
            const auto bits =
                std::bit_cast<std::uint32_t>(digits * static_cast<float>(std::pow(10.0, power)));
            for (std::uint32_t near = bits - 3; near != bits + 4; ++near)
                values.push_back(std::bit_cast<float>(near));
        }
    }
    // Whole numbers with up to ten trailing zeros.
    for (const float digits : {1.0f, 12.0f, 123.0f, 1234567.0f}) {
        for (int zeros = 0; zeros <= 10; ++zeros)
            values.push_back(digits * static_cast<float>(std::pow(10.0, zeros)));
    }
    for (std::size_t length = 0; length < 12; ++length) {
        // Lengths around the lanes: the tail goes one at a time.
        EXPECT_EQ(differences(std::vector<float>(
                      values.begin(), values.begin() + static_cast<std::ptrdiff_t>(length))),
                  "")
            << length << " floats";
    }
    EXPECT_EQ(differences(values), "");
}

TEST(ManyFloatDecimals, RandomBitsCoordinatesAndAStrideThroughEveryFloatGiveTheDigitsOfOneAtATime) {
    std::vector<float> values;
    std::mt19937 random(20261208);
    for (int i = 0; i < 1000000; ++i)
        values.push_back(std::bit_cast<float>(static_cast<std::uint32_t>(random())));
    std::uniform_real_distribution<float> coordinate(-4.0f, 4.0f);
    for (int i = 0; i < 1000000; ++i) values.push_back(coordinate(random));
    for (std::uint64_t bits = 0; bits < (std::uint64_t{1} << 32); bits += 4099)
        values.push_back(std::bit_cast<float>(static_cast<std::uint32_t>(bits)));
    EXPECT_EQ(differences(values), "");
}

// Every bit pattern, a block at a time: about a minute, so run on demand, after a change to the
// lanes:
//   build/native/tests/formats/formats_tests --gtest_also_run_disabled_tests
//   --gtest_filter='*DISABLED_EveryFloat*'
TEST(ManyFloatDecimals, DISABLED_EveryFloatGivesTheDigitsOfOneAtATime) {
    constexpr std::uint64_t block = std::uint64_t{1} << 20;
    std::vector<float> values(block);
    for (std::uint64_t start = 0; start < (std::uint64_t{1} << 32); start += block) {
        for (std::uint64_t i = 0; i < block; ++i)
            values[i] = std::bit_cast<float>(static_cast<std::uint32_t>(start + i));
        const std::string found = differences(values);
        ASSERT_EQ(found, "") << "in the block from bit pattern " << start;
    }
}

TEST(ManyFloatTriples, BatchesWriteWhatEachTripleWritesAlone) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> coordinate(-3.0, 3.0);
    std::vector<std::array<double, 3>> triples;
    for (std::size_t i = 0; i < formats::FloatTriples::capacity + 5; ++i) {
        triples.push_back({coordinate(random), coordinate(random) * 1e-7,
                           i % 9 == 0 ? 0.0 : coordinate(random) * 1e12});
    }
    triples[3] = {NAN, -INFINITY, -0.0};
    triples[4] = {1e40, 1e-50, 0.1};
    formats::FloatTriples batch;
    for (const std::size_t count : {std::size_t{1}, std::size_t{7}, triples.size()}) {
        batch.load(std::span(triples).first(count));
        // Only the first `capacity` are taken.
        for (std::size_t i = 0; i < std::min(count, formats::FloatTriples::capacity); ++i) {
            std::array<char, formats::floatTripleRoom> alone{}, many{};
            const std::string expected(alone.data(),
                                       formats::writeFloatTriple(alone.data(), triples[i]));
            EXPECT_EQ(std::string(many.data(), batch.write(many.data(), i)), expected)
                << "triple " << i << " of " << count;
        }
    }
}

}  // namespace
