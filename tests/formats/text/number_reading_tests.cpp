// Reading numbers from words: the short path must give exactly what std::from_chars gives.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "formats/text/number_reading.h"

namespace {

// Reading a number the long way: '+' dropped, then from_chars on the rest.
bool fromChars(std::string_view word, double &value) {
    if (!word.empty() && word.front() == '+') word.remove_prefix(1);
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    return error == std::errc{} && end == word.data() + word.size();
}

bool fromChars(std::string_view word, long long &value) {
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    return !word.empty() && error == std::errc{} && end == word.data() + word.size();
}

void expectSameDouble(const std::string &word) {
    double expected = 12345.0;
    double got = 12345.0;
    const bool ok = fromChars(word, expected);
    ASSERT_EQ(formats::readDouble(word, got), ok) << '"' << word << '"';
    if (ok) {
        EXPECT_EQ(std::bit_cast<std::uint64_t>(got), std::bit_cast<std::uint64_t>(expected))
            << '"' << word << '"';
    }
}

void expectSameWhole(const std::string &word) {
    long long expected = 12345;
    long long got = 12345;
    const bool ok = fromChars(word, expected);
    ASSERT_EQ(formats::readWhole(word, got), ok) << '"' << word << '"';
    if (ok) {
        EXPECT_EQ(got, expected) << '"' << word << '"';
    }
}

// A word of digits, points and signs, mostly plain decimals of every length.
std::string randomWord(std::mt19937_64 &random) {
    static const std::string odd = "+-.e";
    std::string word;
    if (random() % 3 == 0) word += random() % 2 ? '-' : '+';
    const std::size_t length = random() % 26;
    const std::size_t point = random() % (length + 2);
    for (std::size_t i = 0; i < length; ++i) {
        if (i == point) word += '.';
        word += random() % 40 == 0 ? odd[random() % odd.size()]
                                   : static_cast<char>('0' + random() % 10);
    }
    return word;
}

}  // namespace

TEST(NumberReading, DecimalsReadToTheSameBitsAsFromChars) {
    for (const std::string word : {"0",
                                   "-0",
                                   "+0",
                                   "-0.0",
                                   "0.5",
                                   ".5",
                                   "-.5",
                                   "5.",
                                   "-5.",
                                   ".",
                                   "-",
                                   "+",
                                   "",
                                   "+-5",
                                   "-+5",
                                   "-0.4079",
                                   "1.0000000000000002",
                                   "9007199254740992",
                                   "9007199254740993",
                                   "9007199254740995",
                                   "0.1234567890123456789",
                                   "1234567890123456789",
                                   "12345678901234567890",
                                   "0.0000000000000000001",
                                   "0.00000000000000000001",
                                   "1e5",
                                   "1E-3",
                                   "inf",
                                   "-nan",
                                   "0x10",
                                   "1.5 ",
                                   " 1.5",
                                   "1..5",
                                   "1.5.",
                                   "179769313486231570000000000000000000000000000000000000000000000"
                                   "000000000000000000000000000000000000",
                                   "4.9e-324",
                                   "1e400"})
        expectSameDouble(word);
    double value = 1.0;
    EXPECT_FALSE(formats::readDouble(std::string_view(), value))
        << "an empty word that points nowhere";
    std::mt19937_64 random(7);
    for (int i = 0; i < 200000; ++i) expectSameDouble(randomWord(random));
}

TEST(NumberReading, WholeNumbersReadAsFromCharsDoes) {
    for (const std::string word :
         {"0", "-0", "+1", "1", "-1", "", "-", "12a", "1.0", "999999999999999999",
          "-999999999999999999", "9223372036854775807", "-9223372036854775808",
          "9223372036854775808", "00000000000000000000001", "123456789012345678901234", "1 ", "/"})
        expectSameWhole(word);
    std::mt19937_64 random(11);
    for (int i = 0; i < 100000; ++i) expectSameWhole(randomWord(random));
}
