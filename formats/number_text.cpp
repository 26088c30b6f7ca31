// Shortest and fixed-point number text through std::to_chars, which is exact and locale-free.
#include "formats/number_text.h"

#include <charconv>

namespace formats {

void appendShortest(std::string &out, float value) {
    std::array<char, 32> buffer{};
    const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value).ptr;
    out.append(buffer.data(), end);
}

void appendFloatTriple(std::string &out, const std::array<double, 3> &xyz) {
    appendShortest(out, static_cast<float>(xyz[0]));
    out += ' ';
    appendShortest(out, static_cast<float>(xyz[1]));
    out += ' ';
    appendShortest(out, static_cast<float>(xyz[2]));
}

char *writeFloatTriple(char *out, const std::array<double, 3> &xyz) {
    out = std::to_chars(out, out + 16, static_cast<float>(xyz[0])).ptr;
    *out++ = ' ';
    out = std::to_chars(out, out + 16, static_cast<float>(xyz[1])).ptr;
    *out++ = ' ';
    return std::to_chars(out, out + 16, static_cast<float>(xyz[2])).ptr;
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
    std::array<char, 32> buffer{};
    const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value).ptr;
    double parsed = 0.0;
    std::from_chars(buffer.data(), end, parsed);
    // Rounding decimal to double and then to float can in rare cases miss; the exact value never does.
    return static_cast<float>(parsed) == value ? parsed : static_cast<double>(value);
}

}  // namespace formats
