// Shortest float text: Dragonbox (from {fmt}, header-only) finds the digits, and the layout follows
// std::to_chars(float) of libstdc++ to the byte, at a fraction of its cost. Fixed-point text with a
// given number of decimals goes through std::to_chars, which is exact and locale-free.
#include "formats/number_text.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>

// Header-only, so that no build (the i386 one included) needs {fmt}'s library.
#define FMT_HEADER_ONLY
#include <fmt/format.h>

namespace formats {
namespace {

// "00", "01", ... "99": two digits written at a time.
constexpr std::array<char, 200> digitPairs = [] {
    std::array<char, 200> pairs{};
    for (std::size_t i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

constexpr std::array<std::uint32_t, 10> powersOfTen{1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};

// The number of decimal digits of `value` (at least 1).
int digitCount(std::uint32_t value) {
    const auto guess = static_cast<std::size_t>((std::bit_width(value) * 1233) >> 12);  // floor(bits * log10(2))
    return static_cast<int>(guess) + 1 - (value < powersOfTen[guess] ? 1 : 0);
}

// Writes the decimal digits of `value` so that they end just before `end`.
void writeDigitsBefore(char *end, std::uint32_t value) {
    while (value >= 100) {
        end -= 2;
        std::memcpy(end, &digitPairs[2 * (value % 100)], 2);
        value /= 100;
    }
    if (value >= 10) std::memcpy(end - 2, &digitPairs[2 * value], 2);
    else end[-1] = static_cast<char>('0' + value);
}

}  // namespace

char *writeShortest(char *out, float value) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    if (bits >> 31) *out++ = '-';  // also "-0", "-inf" and "-nan", as libstdc++ writes them
    const std::uint32_t magnitudeBits = bits & 0x7fffffffu;
    if (magnitudeBits >= 0x7f800000u) {  // every NaN payload is written "nan"
        std::memcpy(out, magnitudeBits == 0x7f800000u ? "inf" : "nan", 3);
        return out + 3;
    }
    if (magnitudeBits == 0) {
        *out = '0';
        return out + 1;
    }
    const float magnitude = std::bit_cast<float>(magnitudeBits);
    // The value is digits * 10^exponent, with the fewest digits that read back as the float, the
    // nearest such when several do; digits has no trailing zeros.
    const auto decimal = fmt::detail::dragonbox::to_decimal(magnitude);
    const std::uint32_t digits = decimal.significand;
    const int exponent = decimal.exponent;
    const int count = digitCount(digits);
    // "d.ddde+XX" or "de-XX": float exponents always take two digits. Fixed wins a tie.
    const int scientificLength = count + (count > 1 ? 1 : 0) + 4;

    if (exponent >= 0) {
        if (count + exponent <= scientificLength) {
            // An integer below 10^14: libstdc++ writes its exact value, e.g. 123456792 for the
            // shortest 12345679e1. The cast is exact, as every such float is an integer.
            return std::to_chars(out, out + 14, static_cast<std::uint64_t>(magnitude)).ptr;
        }
    } else if (-exponent < count) {
        // "ddd.ddd": the digits one place on, then the whole part moved back before the point.
        const int whole = count + exponent;
        writeDigitsBefore(out + count + 1, digits);
        std::memmove(out, out + 1, static_cast<std::size_t>(whole));
        out[whole] = '.';
        return out + count + 1;
    } else if (2 - exponent <= scientificLength) {
        // "0.000ddd", at most three zeros after the point.
        const int zeros = -exponent - count;
        out[0] = '0';
        out[1] = '.';
        for (int i = 0; i < zeros; ++i) out[2 + i] = '0';
        char *end = out + 2 + zeros + count;
        writeDigitsBefore(end, digits);
        return end;
    }

    // Scientific: the first digit, the point when more digits follow, then the exponent.
    writeDigitsBefore(out + count + 1, digits);
    out[0] = out[1];
    if (count > 1) {
        out[1] = '.';
        out += count + 1;
    } else {
        out += 1;
    }
    int power = exponent + count - 1;
    *out++ = 'e';
    *out++ = power < 0 ? '-' : '+';
    if (power < 0) power = -power;
    std::memcpy(out, &digitPairs[2 * static_cast<std::size_t>(power)], 2);
    return out + 2;
}

void appendShortest(std::string &out, float value) {
    std::array<char, shortestFloatMaxChars> buffer{};
    out.append(buffer.data(), writeShortest(buffer.data(), value));
}

void appendFloatTriple(std::string &out, const std::array<double, 3> &xyz) {
    std::array<char, floatTripleMaxChars> buffer{};
    out.append(buffer.data(), writeFloatTriple(buffer.data(), xyz));
}

char *writeFloatTriple(char *out, const std::array<double, 3> &xyz) {
    out = writeShortest(out, static_cast<float>(xyz[0]));
    *out++ = ' ';
    out = writeShortest(out, static_cast<float>(xyz[1]));
    *out++ = ' ';
    return writeShortest(out, static_cast<float>(xyz[2]));
}

void appendFixed(std::string &out, double value, int decimals) {
    std::array<char, 64> buffer{};
    auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, decimals);
    if (error != std::errc{}) {  // too large for the buffer: no picture needs such a number
        end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value).ptr;
    }
    out.append(buffer.data(), end);
}

double shortDouble(float value) {
    std::array<char, shortestFloatMaxChars> buffer{};
    const char *end = writeShortest(buffer.data(), value);
    double parsed = 0.0;
    std::from_chars(buffer.data(), end, parsed);
    // Rounding decimal to double and then to float can in rare cases miss; the exact value never does.
    return static_cast<float>(parsed) == value ? parsed : static_cast<double>(value);
}

}  // namespace formats
