#include "formats/number_reading.h"

#include <array>
#include <charconv>
#include <cstdint>

namespace formats {
namespace {

bool isDigit(char c) { return static_cast<unsigned char>(c - '0') < 10; }

// Every power of ten a double holds exactly.
constexpr std::array<double, 23> exactPowersOfTen = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                                      1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// [-+]digits[.digits] of at most 19 digits, which as a whole number fit a double's 53 bits. Then the
// digits and the power of ten are exact doubles, and one correctly rounded division gives the
// correctly rounded value, as from_chars does.
bool readPlainDecimal(std::string_view word, double &value) {
    const char *p = word.data();
    const char *const end = p + word.size();
    const bool negative = p != end && *p == '-';
    if (p != end && (*p == '-' || *p == '+')) ++p;
    std::uint64_t digits = 0;
    int count = 0;
    int fraction = 0;
    for (; p != end && isDigit(*p); ++p, ++count) digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
    if (p != end && *p == '.') {
        for (++p; p != end && isDigit(*p); ++p, ++count, ++fraction) digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
    }
    if (p != end || count == 0 || count > 19 || digits > (std::uint64_t{1} << 53)) return false;
    const double magnitude = static_cast<double>(digits) / exactPowersOfTen[static_cast<std::size_t>(fraction)];
    value = negative ? -magnitude : magnitude;
    return true;
}

}  // namespace

bool readDouble(std::string_view word, double &value) {
    if (readPlainDecimal(word, value)) return true;
    if (!word.empty() && word.front() == '+') word.remove_prefix(1);
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    return error == std::errc{} && end == word.data() + word.size();
}

bool readWhole(std::string_view word, long long &value) {
    const char *p = word.data();
    const char *const end = p + word.size();
    const bool negative = p != end && *p == '-';
    if (negative) ++p;
    // Up to 18 digits cannot overflow; longer words go the long way.
    if (p != end && end - p <= 18) {
        long long magnitude = 0;
        for (; p != end && isDigit(*p); ++p) magnitude = magnitude * 10 + (*p - '0');
        if (p == end) {
            value = negative ? -magnitude : magnitude;
            return true;
        }
    }
    const auto [last, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    return !word.empty() && error == std::errc{} && last == word.data() + word.size();
}

}  // namespace formats
