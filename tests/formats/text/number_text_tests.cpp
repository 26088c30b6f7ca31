// Shortest float text: writeShortest must give exactly the bytes of std::to_chars(float) (the text
// the OBJ files had before, and what readers of them expect), over the values where the layout
// changes (zeros, infinities, NaNs, powers of two, subnormals, the edges between fixed and
// scientific text) and over millions of random bit patterns. Fixed text (the pictures' coordinates)
// must be std::to_chars(fixed)'s to the byte too, ties and signed zeros included.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "formats/text/number_text.h"

namespace {

float fromBits(std::uint32_t bits) { return std::bit_cast<float>(bits); }

std::string viaToChars(float value) {
    std::array<char, 64> buffer{};
    return std::string(buffer.data(),
                       std::to_chars(buffer.data(), buffer.data() + buffer.size(), value).ptr);
}

// Compares the two texts for every bit pattern given; names the first few that differ.
class TextComparison {
  public:
    void check(std::uint32_t bits) {
        const float value = fromBits(bits);
        // Exactly the room promised, so that the sanitizer build catches writing past it.
        std::array<char, formats::shortestFloatRoom> ours{};
        const std::string_view text(
            ours.data(),
            static_cast<std::size_t>(formats::writeShortest(ours.data(), value) - ours.data()));
        if (text.size() > formats::shortestFloatMaxChars) ++tooLong_;
        std::array<char, 64> expected{};
        const std::string_view want(
            expected.data(),
            static_cast<std::size_t>(
                std::to_chars(expected.data(), expected.data() + expected.size(), value).ptr -
                expected.data()));
        ++checked_;
        if (text == want) return;
        if (differing_.size() < 10) {
            char hex[9];
            std::to_chars(hex, hex + 8, bits, 16);
            differing_ += "\n  bits " + std::string(hex, 8) + ": \"" + std::string(text) +
                          "\", std::to_chars \"" + std::string(want) + "\"";
        }
        ++mismatches_;
    }
    void check(float value) { check(std::bit_cast<std::uint32_t>(value)); }
    // Every neighbour within `steps` float steps of `bits`, on either side, both signs.
    void checkAround(std::uint32_t bits, std::uint32_t steps) {
        bits &= 0x7fffffffu;
        for (std::uint32_t b = bits > steps ? bits - steps : 0;
             b <= bits + steps && b < 0x7f800000u; ++b) {
            check(b);
            check(b | 0x80000000u);
        }
    }

    void expectNoMismatch(std::size_t leastChecked) const {
        EXPECT_GE(checked_, leastChecked);
        EXPECT_EQ(mismatches_, 0u) << "of " << checked_ << " values" << differing_;
        EXPECT_EQ(tooLong_, 0u) << "texts longer than shortestFloatMaxChars";
    }

  private:
    std::size_t checked_ = 0;
    std::size_t mismatches_ = 0;
    std::size_t tooLong_ = 0;
    std::string differing_;
};

// The float nearest to a decimal text, as a reader of the file would get it.
float parsed(const std::string &text) {
    float value = 0.0f;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

TEST(ShortestFloatText, SpecialValuesAsLibstdcxxWritesThem) {
    // Zeros, infinities and NaNs of either sign and any payload: libstdc++ writes the sign bit and
    // nothing of the payload.
    const std::vector<std::pair<std::uint32_t, const char *>> cases{
        {0x00000000u, "0"},
        {0x80000000u, "-0"},
        {0x7f800000u, "inf"},
        {0xff800000u, "-inf"},
        {0x7fc00000u, "nan"},
        {0xffc00000u, "-nan"},
        {0x7f800001u, "nan"},
        {0xff800001u, "-nan"},
        {0x7fa00000u, "nan"},
        {0x7fffffffu, "nan"},
        {0xffffffffu, "-nan"},
        {0xffbfffffu, "-nan"},
        {0x00000001u, "1e-45"},
        {0x007fffffu, "1.1754942e-38"},
        {0x00800000u, "1.1754944e-38"},
        {0x80800000u, "-1.1754944e-38"},
        {0x7f7fffffu, "3.4028235e+38"},
        {0xff7fffffu, "-3.4028235e+38"},
    };
    for (const auto &[bits, text] : cases) {
        std::array<char, formats::shortestFloatRoom> out{};
        EXPECT_EQ(std::string(out.data(), formats::writeShortest(out.data(), fromBits(bits))),
                  text);
        EXPECT_EQ(viaToChars(fromBits(bits)), text)
            << "the standard library writes it differently now";
    }
    TextComparison comparison;
    for (const auto &[bits, text] : cases) comparison.check(bits);
    comparison.expectNoMismatch(cases.size());
}

TEST(ShortestFloatText, FixedOrScientificWhicheverIsShorter) {
    // Known texts at the edges, independent of the standard library: fixed wins a tie, integers in
    // fixed text are written exactly (the shortest digits of 123456789.0f are 12345679e1).
    const std::vector<std::pair<float, const char *>> cases{
        {123456789.0f, "123456792"},
        {4294967296.0f, "4294967296"},
        {1e10f, "1e+10"},
        {123456.0f, "123456"},
        {1e5f, "1e+05"},
        {1.5e5f, "150000"},
        {1e4f, "10000"},
        {3e9f, "3e+09"},
        {0.001f, "0.001"},
        {1e-4f, "1e-04"},
        {1.5e-4f, "0.00015"},
        {1.25e-5f, "1.25e-05"},
        {0.1f, "0.1"},
        {-2.0f, "-2"},
        {1e-7f, "1e-07"},
        {1.5e20f, "1.5e+20"},
        {16777216.0f, "16777216"},
        {16777218.0f, "16777218"},
        {1.2e13f, "1.2e+13"},
        {-0.123456789f, "-0.12345679"},
        {98765.4321f, "98765.43"},
        {1e-45f, "1e-45"},
        {1e16f, "1e+16"},
    };
    for (const auto &[value, text] : cases) {
        std::array<char, formats::shortestFloatRoom> out{};
        EXPECT_EQ(std::string(out.data(), formats::writeShortest(out.data(), value)), text);
    }
}

TEST(ShortestFloatText, PowersOfTwoAndTheirNeighboursMatchToChars) {
    TextComparison comparison;
    // 2^-149 (the least subnormal) to 2^127: where the rounding interval is lopsided.
    for (std::uint32_t exponentBits = 0; exponentBits < 255; ++exponentBits)
        comparison.checkAround(exponentBits << 23, 3);
    for (int shift = 0; shift < 23; ++shift)
        comparison.checkAround(1u << shift, 2);  // subnormal powers of two
    comparison.expectNoMismatch(2 * 255 * 7);
}

TEST(ShortestFloatText, SubnormalsMatchToChars) {
    TextComparison comparison;
    for (std::uint32_t bits = 0; bits < 0x10000u; ++bits) comparison.check(bits);  // the least
    for (std::uint32_t bits = 0x007f0000u; bits < 0x00800000u; ++bits)
        comparison.check(bits);  // the greatest
    for (std::uint32_t bits = 0x10000u; bits < 0x007f0000u; bits += 97)
        comparison.check(bits | 0x80000000u);
    comparison.expectNoMismatch(200000);
}

TEST(ShortestFloatText, FixedAndScientificBoundariesMatchToChars) {
    // Around m * 10^k for every float decade, with 1 to 9 significant digits: the text's length,
    // and with it the choice of fixed or scientific, changes there.
    const std::vector<std::string> mantissas{
        "1",       "1.5",      "9.5",       "9.9999",   "1.25",      "12345",     "123456",
        "1234567", "12345678", "123456789", "99999999", "999999999", "1.0000001", "5"};
    TextComparison comparison;
    for (int k = -46; k <= 39; ++k) {
        for (const std::string &m : mantissas) {
            const float value = parsed(m + "e" + std::to_string(k));
            comparison.checkAround(std::bit_cast<std::uint32_t>(value), 40);
        }
    }
    // Every float of the ranges where the choice turns on the last digit or the exponent's length.
    for (const float low :
         {1e-5f, 1e-4f, 1e-3f, 99999.0f, 123456.0f, 999999.0f, 1e7f, 16777216.0f, 1e14f, 1e16f}) {
        const std::uint32_t bits = std::bit_cast<std::uint32_t>(low);
        for (std::uint32_t b = bits - 2000; b < bits + 2000; ++b) comparison.check(b);
    }
    comparison.expectNoMismatch(86 * 14 * 81 * 2);
}

TEST(ShortestFloatText, RandomBitPatternsMatchToChars) {
    TextComparison comparison;
    std::mt19937 random(20240517);
    for (int i = 0; i < 2000000; ++i) comparison.check(static_cast<std::uint32_t>(random()));
    // Coordinates as OBJ files have them: small numbers of either sign.
    std::uniform_real_distribution<float> coordinate(-4.0f, 4.0f);
    for (int i = 0; i < 500000; ++i) comparison.check(coordinate(random));
    comparison.expectNoMismatch(2500000);
}

TEST(ShortestFloatText, TriplesRoundEachCoordinateToFloat) {
    std::array<char, formats::floatTripleRoom> out{};
    // Doubles that are not floats: 0.1 rounds to 0.1f (written "0.1"), values beyond the float
    // range become 0 and inf, and the longest three texts fit.
    const auto triple = [&out](const std::array<double, 3> &xyz) {
        return std::string(out.data(), formats::writeFloatTriple(out.data(), xyz));
    };
    EXPECT_EQ(triple({0.1, -1e-50, 1e40}), "0.1 -0 inf");
    EXPECT_EQ(triple({-1.1754944e-38, -1.1754944e-38, -1.1754944e-38}),
              "-1.1754944e-38 -1.1754944e-38 -1.1754944e-38");
    EXPECT_EQ(triple({0.30000001192092896, 1.0 / 3.0, -2.5}), "0.3 0.33333334 -2.5");
    std::string appended = "v ";
    formats::appendFloatTriple(appended, {1e-7, 123456789.0, -0.0});
    EXPECT_EQ(appended, "v 1e-07 123456792 -0");
    EXPECT_EQ(formats::shortDouble(0.1f), 0.1);
    EXPECT_EQ(formats::shortDouble(1e-45f), 1e-45);
}

// --- Fixed text

// The text by std::to_chars alone: fixed, or the shortest form when the fixed text is longer than
// 63 characters (no picture has such numbers, but the text must not change for them either).
std::string fixedViaToChars(double value, int decimals) {
    std::array<char, 64> buffer{};
    auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, decimals);
    if (error != std::errc{})
        end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value).ptr;
    return std::string(buffer.data(), end);
}

// What writeFixed writes into exactly the room it asks for (the sanitizer build catches writing
// past it), which appendFixed must append.
std::string fixed(double value, int decimals) {
    std::array<char, formats::fixedRoom> room{};
    const std::string written(room.data(), formats::writeFixed(room.data(), value, decimals));
    std::string appended = "<";
    formats::appendFixed(appended, value, decimals);
    return appended == "<" + written ? written : "appendFixed: " + appended;
}

// Compares appendFixed with std::to_chars(fixed) for every value and 0 to 4 decimals; names the
// first few that differ.
class FixedComparison {
  public:
    void check(double value) {
        for (int decimals = 0; decimals <= 4; ++decimals) {
            ++checked_;
            const std::string ours = fixed(value, decimals);
            const std::string want = fixedViaToChars(value, decimals);
            if (ours == want) continue;
            if (++mismatches_ <= 10)
                differing_ += "\n  " + std::to_string(value) + " with " + std::to_string(decimals) +
                              ": \"" + ours + "\", std::to_chars \"" + want + "\"";
        }
    }
    void expectNoMismatch(std::size_t leastChecked) const {
        EXPECT_GE(checked_, leastChecked);
        EXPECT_EQ(mismatches_, 0u) << "of " << checked_ << " texts" << differing_;
    }

  private:
    std::size_t checked_ = 0;
    std::size_t mismatches_ = 0;
    std::string differing_;
};

TEST(FixedText, TiesRoundToEvenAndNegativesKeepTheirSign) {
    // Exact binary ties go to the even digit; a negative value that rounds to zero keeps its '-'.
    const std::vector<std::tuple<double, int, const char *>> cases{
        {0.125, 2, "0.12"},
        {0.375, 2, "0.38"},
        {2.5, 0, "2"},
        {3.5, 0, "4"},
        {-0.0625, 3, "-0.062"},
        {1.0625, 3, "1.062"},
        {0.005, 2, "0.01"},  // 0.005 is a little above the tie in binary
        {-0.001, 2, "-0.00"},
        {-0.0, 2, "-0.00"},
        {0.0, 0, "0"},
        {640.0, 2, "640.00"},
        {-12.345678, 1, "-12.3"},
        {1.6, 1, "1.6"},
        {1e-320, 3, "0.000"},
        {1125899906842623.75, 2, "1125899906842623.75"},
        {1e300, 2, "1e+300"},
    };
    for (const auto &[value, decimals, text] : cases) {
        EXPECT_EQ(fixed(value, decimals), text);
        EXPECT_EQ(fixedViaToChars(value, decimals), text)
            << "the standard library writes it differently now";
    }
}

TEST(FixedText, PixelCoordinatesAndRandomBitPatternsMatchToChars) {
    FixedComparison comparison;
    std::mt19937_64 random(20240611);
    // Coordinates as the pictures have them, and halves, quarters and eighths of them (exact ties).
    std::uniform_real_distribution<double> pixel(-5000.0, 5000.0);
    for (int i = 0; i < 100000; ++i) comparison.check(pixel(random));
    for (int i = -20000; i <= 20000; ++i)
        comparison.check(static_cast<double>(i) / 8.0 + 0.0625 * (i % 3));
    // Any mantissa at every size from 2^-80 to 2^51, either sign; then any bit pattern at all:
    // subnormals, huge values, infinities and NaNs.
    for (int i = 0; i < 100000; ++i) {
        const std::uint64_t exponentBits = 1023 - 80 + random() % 131;
        comparison.check(
            std::bit_cast<double>((random() & 0x800fffffffffffffu) | (exponentBits << 52)));
    }
    for (int i = 0; i < 20000; ++i) comparison.check(std::bit_cast<double>(random()));
    // Sizes near 2^50, where the integer rounding hands over to the standard library, and near
    // 2^-64.
    for (const double edge : {1125899906842624.0, 5.421010862427522e-20}) {
        const auto bits = std::bit_cast<std::uint64_t>(edge);
        for (std::uint64_t b = bits - 1000; b < bits + 1000; ++b) {
            comparison.check(std::bit_cast<double>(b));
            comparison.check(-std::bit_cast<double>(b));
        }
    }
    comparison.expectNoMismatch(5 * 268001);
}

}  // namespace
