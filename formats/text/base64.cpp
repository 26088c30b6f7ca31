// Base64 by pairs of characters: one table look-up for each 12 bits.
#include "formats/text/base64.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace formats {
namespace {

constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The two characters of every 12-bit value, side by side (8 KiB, stays in the first-level cache).
constexpr std::array<char, 2 * 4096> pairTable = [] {
    std::array<char, 2 * 4096> table{};
    for (std::size_t value = 0; value < 4096; ++value) {
        table[2 * value] = alphabet[value >> 6];
        table[2 * value + 1] = alphabet[value & 63];
    }
    return table;
}();

unsigned byteAt(std::span<const std::byte> bytes, std::size_t i) {
    return std::to_integer<unsigned>(bytes[i]);
}

// Writes the two characters of the 12-bit value.
void writePair(char *out, std::uint64_t value) { std::memcpy(out, &pairTable[2 * value], 2); }

}  // namespace

char *writeBase64(char *out, std::span<const std::byte> bytes) {
    std::size_t i = 0;
    // Six bytes at a time, read with the two after them as one big-endian word.
    for (; i + 8 <= bytes.size(); i += 6) {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes.data() + i, sizeof word);
        if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
        writePair(out, word >> 52);
        writePair(out + 2, (word >> 40) & 0xfff);
        writePair(out + 4, (word >> 28) & 0xfff);
        writePair(out + 6, (word >> 16) & 0xfff);
        out += 8;
    }
    for (; i + 3 <= bytes.size(); i += 3) {
        const unsigned value =
            (byteAt(bytes, i) << 16) | (byteAt(bytes, i + 1) << 8) | byteAt(bytes, i + 2);
        writePair(out, value >> 12);
        writePair(out + 2, value & 0xfff);
        out += 4;
    }
    if (i < bytes.size()) {
        const bool two = i + 1 < bytes.size();
        const unsigned value = (byteAt(bytes, i) << 16) | (two ? byteAt(bytes, i + 1) << 8 : 0u);
        *out++ = alphabet[(value >> 18) & 63];
        *out++ = alphabet[(value >> 12) & 63];
        *out++ = two ? alphabet[(value >> 6) & 63] : '=';
        *out++ = '=';
    }
    return out;
}

}  // namespace formats
