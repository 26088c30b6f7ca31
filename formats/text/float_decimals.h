// The shortest decimal of a float, one at a time or many at once. Many at once go four to a step
// through the processor's vector unit where it has AVX2, to the same digits: a coordinate's digits
// then take no branch that depends on the number.
#pragma once

#include <cstdint>
#include <span>

namespace formats {

// A float as its sign bit and shortest decimal: digits * 10^exponent, with the fewest digits (at
// most 9, no trailing zeros) that read back as the float, the nearest such when several do. Zero,
// the infinities and NaNs have no digits.
struct ShortestDecimal {
    std::uint32_t bits;
    std::uint32_t digits;
    int exponent;
};

ShortestDecimal shortestDecimal(float value);

// out[i] = shortestDecimal(values[i]) for every i; `out` is at least as long as `values`.
void shortestDecimals(std::span<const float> values, std::span<ShortestDecimal> out);

// shortestDecimals one float at a time, whatever the processor: what the vector steps are checked
// against.
void shortestDecimalsOneByOne(std::span<const float> values, std::span<ShortestDecimal> out);

}  // namespace formats
