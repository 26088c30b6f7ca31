// Shortest float text: Dragonbox (formats/float_decimals.h) finds the digits, and the layout
// follows std::to_chars(float) of libstdc++ to the byte, at a fraction of its cost. Fixed-point
// text with a given number of decimals is std::to_chars's, exact and locale-free; the common case
// (up to three decimals, pixel-sized values) is rounded here in integers, to the same text.
#include "formats/text/number_text.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace formats {
namespace {

constexpr std::array<std::uint32_t, 10> powersOfTen{
    1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};

// The number of decimal digits of `value` (at least 1).
int digitCount(std::uint32_t value) {
    const auto guess =
        static_cast<std::size_t>((std::bit_width(value) * 1233) >> 12);  // floor(bits * log10(2))
    return static_cast<int>(guess) + 1 - (value < powersOfTen[guess] ? 1 : 0);
}

static_assert(std::endian::native == std::endian::little,
              "digits are written 8 at a time, the first in the lowest byte");

// The 8 digits of `value` < 10^8 as characters, the first in the lowest byte: split into halves of
// 4 digits, those into pairs, those into digits, every part of a step at once (no carry between
// them).
[[gnu::always_inline]] inline std::uint64_t eightDigits(std::uint32_t value) {
    const std::uint64_t halves = (value / 10000) | (std::uint64_t{value % 10000} << 32);
    const std::uint64_t hundreds =
        ((halves * 10486) >> 20) & 0x0000007f0000007fu;  // x / 100 for x < 10^4
    const std::uint64_t pairs = hundreds | ((halves - hundreds * 100) << 16);
    const std::uint64_t tens = ((pairs * 103) >> 10) & 0x000f000f000f000fu;  // x / 10 for x < 100
    return (tens | ((pairs - tens * 10) << 8)) | 0x3030303030303030u;
}

// The text of zero, the infinities and NaNs after the sign: every NaN payload is written "nan".
[[gnu::noinline]] char *writeNoDigits(char *out, std::uint32_t magnitudeBits) {
    if (magnitudeBits == 0) {
        *out = '0';
        return out + 1;
    }
    std::memcpy(out, magnitudeBits == 0x7f800000u ? "inf" : "nan", 3);
    return out + 3;
}

// An integer in fixed text: libstdc++ writes its exact value, e.g. 123456792 for the shortest
// 12345679e1. It is below 10^14, and the cast is exact, as every such float is an integer.
[[gnu::noinline]] char *writeInteger(char *out, std::uint32_t magnitudeBits) {
    return std::to_chars(out, out + 14,
                         static_cast<std::uint64_t>(std::bit_cast<float>(magnitudeBits)))
        .ptr;
}

// Writes the digits `block` (the first 8 in text order, the first in the lowest byte) and, for
// Nine, `ninth`, as the text of count digits * 10^exponent: fixed or scientific, whichever is
// shorter, fixed on a tie, as std::to_chars(float) of libstdc++. Whatever follows the last digit in
// `block` is written over or lies past the end of the text.
template <bool Nine>
char *layOut(char *out, std::uint64_t block, char ninth, int count, int exponent,
             std::uint32_t magnitudeBits) {
    if (exponent >= 0) {
        // Fixed unless "de+XX" or "d.ddde+XX" is shorter.
        if (exponent <= 4 + (count > 1 ? 1 : 0)) return writeInteger(out, magnitudeBits);
    } else if (-exponent < count) {
        // "ddd.ddd": the fraction after the point, from the digits after the whole part.
        const int whole =
            count + exponent;  // 1 to 7: a float of 8 whole digits has none after the point
        std::memcpy(out, &block, 8);
        out[whole] = '.';
        const std::uint64_t fraction = block >> (8 * whole);
        std::memcpy(out + whole + 1, &fraction, 8);
        if constexpr (Nine) out[9] = ninth;
        return out + count + 1;
    } else if (const int zeros = -exponent - count; zeros <= 2 + (count > 1 ? 1 : 0)) {
        // "0.000ddd" unless "de-XX" or "d.ddde-XX" is shorter.
        std::memcpy(out, "0.000000", 8);
        char *first = out + 2 + zeros;
        std::memcpy(first, &block, 8);
        if constexpr (Nine) first[8] = ninth;
        return first + count;
    }

    // Scientific: the first digit, the point and the other digits when there are any, the exponent.
    out[0] = static_cast<char>(block);
    out[1] = '.';
    const std::uint64_t rest = block >> 8;
    std::memcpy(out + 2, &rest, 8);
    if constexpr (Nine) out[9] = ninth;
    out += count > 1 ? count + 1 : 1;
    const int power = exponent + count - 1;
    const auto size = static_cast<unsigned>(power < 0 ? -power : power);
    const std::array<char, 4> text{'e', power < 0 ? '-' : '+', static_cast<char>('0' + size / 10),
                                   static_cast<char>('0' + size % 10)};
    std::memcpy(out, text.data(), 4);
    return out + 4;
}

// Nine digits are rare in coordinates (a float near 1 mostly needs 7 or 8): kept off the main path.
[[gnu::noinline]] char *layOutNine(char *out, std::uint32_t digits, int exponent,
                                   std::uint32_t magnitudeBits) {
    const std::uint32_t firstEight = digits / 10;
    const auto ninth = static_cast<char>('0' + (digits - firstEight * 10));
    return layOut<true>(out, eightDigits(firstEight), ninth, 9, exponent, magnitudeBits);
}

// Writes the text of `decimal` at `out`, which has room for shortestFloatRoom.
char *writeDecimal(char *out, const ShortestDecimal &decimal) {
    *out = '-';
    out += decimal.bits >> 31;  // also "-0", "-inf" and "-nan", as libstdc++ writes them
    const std::uint32_t digits = decimal.digits;
    const std::uint32_t magnitudeBits = decimal.bits & 0x7fffffffu;
    if (digits == 0) return writeNoDigits(out, magnitudeBits);
    const int count = digitCount(digits);
    if (count > 8) return layOutNine(out, digits, decimal.exponent, magnitudeBits);
    // The digits moved to the front of the 8 places.
    const std::uint64_t block = eightDigits(digits) >> (8 * (8 - count));
    return layOut<false>(out, block, '0', count, decimal.exponent, magnitudeBits);
}

}  // namespace

char *writeShortest(char *out, float value) { return writeDecimal(out, shortestDecimal(value)); }

void appendShortest(std::string &out, float value) {
    std::array<char, shortestFloatRoom> buffer{};
    out.append(buffer.data(), writeShortest(buffer.data(), value));
}

void appendFloatTriple(std::string &out, const std::array<double, 3> &xyz) {
    std::array<char, floatTripleRoom> buffer{};
    out.append(buffer.data(), writeFloatTriple(buffer.data(), xyz));
}

namespace {

char *writeDecimalTriple(char *out, const ShortestDecimal &x, const ShortestDecimal &y,
                         const ShortestDecimal &z) {
    out = writeDecimal(out, x);
    *out++ = ' ';
    out = writeDecimal(out, y);
    *out++ = ' ';
    return writeDecimal(out, z);
}

}  // namespace

char *writeFloatTriple(char *out, const std::array<double, 3> &xyz) {
    // All three decimals first: their work overlaps in the processor, as none waits for another.
    const ShortestDecimal x = shortestDecimal(static_cast<float>(xyz[0]));
    const ShortestDecimal y = shortestDecimal(static_cast<float>(xyz[1]));
    const ShortestDecimal z = shortestDecimal(static_cast<float>(xyz[2]));
    return writeDecimalTriple(out, x, y, z);
}

void FloatTriples::load(std::span<const std::array<double, 3>> triples) {
    const std::size_t count = std::min(triples.size(), capacity);
    for (std::size_t i = 0; i < count; ++i) {
        for (std::size_t k = 0; k < 3; ++k) floats_[3 * i + k] = static_cast<float>(triples[i][k]);
    }
    shortestDecimals(std::span(floats_).first(3 * count), decimals_);
}

char *FloatTriples::write(char *out, std::size_t i) const {
    return writeDecimalTriple(out, decimals_[3 * i], decimals_[3 * i + 1], decimals_[3 * i + 2]);
}

namespace {

constexpr int fastFixedDecimals = 3;
constexpr std::array<std::uint64_t, fastFixedDecimals + 1> fixedScales{1, 10, 100, 1000};

// Writes `value` with `decimals` digits after the point as std::to_chars(fixed) does: rounded from
// the exact binary value to the nearest, ties to even, with the sign of a negative value kept even
// when it rounds to zero. Answers null, writing nothing, when decimals exceed fastFixedDecimals or
// |value| is 2^50 or more (or not finite). Needs room for 22 characters.
char *writeFixedExactly(char *out, double value, int decimals) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const auto exponentBits = static_cast<int>((bits >> 52) & 0x7ff);
    if (decimals < 0 || decimals > fastFixedDecimals || exponentBits >= 1023 + 50) return nullptr;
    // |value| = mantissa / 2^shift exactly, with shift >= 3.
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    const std::uint64_t mantissa =
        exponentBits == 0 ? fraction : fraction | (std::uint64_t{1} << 52);
    const int shift = exponentBits == 0 ? 1074 : 1075 - exponentBits;
    const std::uint64_t scale = fixedScales[static_cast<std::size_t>(decimals)];
    const std::uint64_t scaled = mantissa * scale;  // below 2^53 * 2^10
    // |value| * 10^decimals rounded; with shift 64 or more it is below half a unit (scaled < 2^63).
    std::uint64_t units = 0;
    if (shift < 64) {
        units = scaled >> shift;
        const std::uint64_t rest = scaled & ((std::uint64_t{1} << shift) - 1);
        const std::uint64_t half = std::uint64_t{1} << (shift - 1);
        if (rest > half || (rest == half && (units & 1) != 0)) ++units;
    }
    if ((bits >> 63) != 0) *out++ = '-';
    out = std::to_chars(out, out + 20, units / scale).ptr;
    if (decimals > 0) {
        *out = '.';
        std::uint64_t part = units % scale;
        for (int i = decimals; i > 0; --i) {
            out[i] = static_cast<char>('0' + part % 10);
            part /= 10;
        }
        out += decimals + 1;
    }
    return out;
}

}  // namespace

char *writeFixed(char *out, double value, int decimals) {
    if (char *end = writeFixedExactly(out, value, decimals)) return end;
    auto [end, error] =
        std::to_chars(out, out + fixedRoom, value, std::chars_format::fixed, decimals);
    if (error != std::errc{}) {  // too large for the room: no picture needs such a number
        end = std::to_chars(out, out + fixedRoom, value).ptr;
    }
    return end;
}

void appendFixed(std::string &out, double value, int decimals) {
    std::array<char, fixedRoom> buffer;
    out.append(buffer.data(), writeFixed(buffer.data(), value, decimals));
}

double shortDouble(float value) {
    std::array<char, shortestFloatRoom> buffer{};
    const char *end = writeShortest(buffer.data(), value);
    double parsed = 0.0;
    std::from_chars(buffer.data(), end, parsed);
    // Rounding decimal to double and then to float can in rare cases miss; the exact value never
    // does.
    return static_cast<float>(parsed) == value ? parsed : static_cast<double>(value);
}

}  // namespace formats
