#include "formats/text/number_reading.h"

#include <array>
#include <charconv>
#include <cstdint>

namespace formats {
namespace {

bool isDigit(char c) { return static_cast<unsigned char>(c - '0') < 10; }

// Every power of ten a double holds exactly.
constexpr std::array<double, 23> exactPowersOfTen = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                     1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                     1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

}  // namespace

// Of at most 19 digits, which as a whole number fit a double's 53 bits, the digits and the power of
// ten are exact doubles, and one correctly rounded division gives the correctly rounded value, as
// from_chars does.
const char *readPlainDecimal(const char *p, const char *const end, double &value) {
    const bool negative = p != end && *p == '-';
    if (p != end && (*p == '-' || *p == '+')) ++p;
    std::uint64_t digits = 0;
    int count = 0;
    int fraction = 0;
    for (; p != end && isDigit(*p); ++p, ++count)
        digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
    if (p != end && *p == '.') {
        for (++p; p != end && isDigit(*p); ++p, ++count, ++fraction)
            digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
    }
    if (count == 0 || count > 19 || digits > (std::uint64_t{1} << 53)) return nullptr;
    const double magnitude =
        static_cast<double>(digits) / exactPowersOfTen[static_cast<std::size_t>(fraction)];
    value = negative ? -magnitude : magnitude;
    return p;
}

bool readDouble(std::string_view word, double &value) {
    double plain = 0.0;
    const char *const last = readPlainDecimal(word.data(), word.data() + word.size(), plain);
    if (last != nullptr && last == word.data() + word.size()) {
        value = plain;
        return true;
    }
    if (!word.empty() && word.front() == '+') word.remove_prefix(1);
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    return error == std::errc{} && end == word.data() + word.size();
}

bool readWholeByFromChars(std::string_view word, long long &value) {
    const auto [last, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    return !word.empty() && error == std::errc{} && last == word.data() + word.size();
}

}  // namespace formats
