// Shortest float decimals by Dragonbox ({fmt}'s, header-only). The four-lane path takes {fmt}'s
// steps for a normal float that is not a power of two, every branch made a selection between lanes;
// the rare cases it does not settle (a remainder equal to the interval's width, an exact integer at
// the interval's open end) go one at a time, as do zero, subnormals, infinities and NaNs.
#include "formats/text/float_decimals.h"

#include <array>
#include <bit>

// Header-only, so that no build (the i386 one included) needs {fmt}'s library.
#define FMT_HEADER_ONLY
#include <fmt/format.h>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace formats {

ShortestDecimal shortestDecimal(float value) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    const std::uint32_t magnitudeBits = bits & 0x7fffffffu;
    if (magnitudeBits - 1 >= 0x7f7fffffu) return {bits, 0, 0};  // zero, infinite or NaN
    const auto decimal = fmt::detail::dragonbox::to_decimal(std::bit_cast<float>(magnitudeBits));
    return {bits, decimal.significand, decimal.exponent};
}

void shortestDecimalsOneByOne(std::span<const float> values, std::span<ShortestDecimal> out) {
    for (std::size_t i = 0; i < values.size(); ++i) out[i] = shortestDecimal(values[i]);
}

#if defined(__x86_64__)
namespace {

using Floats = fmt::detail::dragonbox::float_info<float>;
using Powers = fmt::detail::dragonbox::cache_accessor<float>;

// Dragonbox's powers of ten, in an array the lanes can gather from.
const std::array<std::uint64_t, Floats::max_k - Floats::min_k + 1> &powersOfTen() {
    static const auto table = [] {
        std::array<std::uint64_t, Floats::max_k - Floats::min_k + 1> powers{};
        for (int k = Floats::min_k; k <= Floats::max_k; ++k)
            powers[static_cast<std::size_t>(k - Floats::min_k)] = Powers::get_cached_power(k);
        return powers;
    }();
    return table;
}

// The steps below keep every value in a lane of 64 bits; 32-bit quantities are zero-extended, so
// that the signed 64-bit comparisons compare them as unsigned.
[[gnu::target("avx2")]] inline __m256i all(std::int64_t value) { return _mm256_set1_epi64x(value); }
[[gnu::target("avx2")]] inline __m256i low32(__m256i value) {
    return _mm256_and_si256(value, all(0xffffffff));
}
[[gnu::target("avx2")]] inline __m256i equal(__m256i a, __m256i b) {
    return _mm256_cmpeq_epi64(a, b);
}
[[gnu::target("avx2")]] inline __m256i greater(__m256i a, __m256i b) {
    return _mm256_cmpgt_epi64(a, b);
}

// Divides `digits` by 10^Shift where it divides them: the product with the inverse of 5^Shift
// modulo 2^32, rotated by Shift, is the quotient exactly when it is at most Limit = (2^32 - 1) /
// 10^Shift, as in {fmt}'s remove_trailing_zeros. Answers the lanes divided.
template <std::uint32_t Inverse, int Shift, std::uint32_t Limit>
[[gnu::target("avx2")]] inline __m256i divideWhereWhole(__m256i &digits) {
    const __m256i product = low32(_mm256_mul_epu32(digits, all(Inverse)));
    const __m256i quotient = low32(
        _mm256_or_si256(_mm256_srli_epi64(product, Shift), _mm256_slli_epi64(product, 32 - Shift)));
    const __m256i whole = _mm256_andnot_si256(greater(quotient, all(Limit)), all(-1));
    digits = _mm256_blendv_epi8(digits, quotient, whole);
    return whole;
}

// The decimals of four floats, in lanes, and the lanes left to the one-at-a-time path.
struct FourDecimals {
    __m256i digits;
    __m256i exponents;
    __m256i unsettled;
};

[[gnu::target("avx2"), gnu::always_inline]] inline FourDecimals fourDecimals(__m128i floatBits) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i bits = _mm256_cvtepu32_epi64(floatBits);
    const __m256i fraction = _mm256_and_si256(bits, all(0x7fffff));
    const __m256i exponentBits = _mm256_and_si256(_mm256_srli_epi64(bits, 23), all(0xff));
    __m256i unsettled =
        _mm256_or_si256(_mm256_or_si256(equal(exponentBits, zero), equal(exponentBits, all(0xff))),
                        equal(fraction, zero));
    const __m256i significand = _mm256_or_si256(fraction, all(0x800000));
    const __m256i exponent = _mm256_sub_epi64(exponentBits, all(150));

    // minus_k = floor(exponent * log10 2) - kappa and beta = exponent + floor(-minus_k * log2 10),
    // each floor shifted from a positive number, as there is no arithmetic shift of 64-bit lanes.
    const __m256i minusK = _mm256_sub_epi64(
        _mm256_srli_epi64(_mm256_add_epi64(_mm256_mul_epi32(exponent, all(315653)), all(64 << 20)),
                          20),
        all(64 + Floats::kappa));
    const __m256i k = _mm256_sub_epi64(zero, minusK);
    // Only the lanes settled here load a power: zero and subnormals would index one past the table.
    const __m256i cache = _mm256_mask_i64gather_epi64(
        zero, reinterpret_cast<const long long *>(powersOfTen().data()),
        _mm256_sub_epi64(k, all(Floats::min_k)), _mm256_andnot_si256(unsettled, all(-1)), 8);
    const __m256i beta = _mm256_add_epi64(
        exponent, _mm256_sub_epi64(
                      _mm256_srli_epi64(
                          _mm256_add_epi64(_mm256_mul_epi32(k, all(1741647)), all(128 << 19)), 19),
                      all(128)));
    const __m256i deltai = low32(_mm256_srlv_epi64(cache, _mm256_sub_epi64(all(63), beta)));
    const __m256i cacheHigh = _mm256_srli_epi64(cache, 32);
    const __m256i twoFc = _mm256_slli_epi64(significand, 1);

    // z = the upper 64 bits of ((2 fc + 1) << beta) * cache, 96 bits long.
    const __m256i u = _mm256_sllv_epi64(_mm256_or_si256(twoFc, all(1)), beta);
    const __m256i z = _mm256_add_epi64(_mm256_mul_epu32(u, cacheHigh),
                                       _mm256_srli_epi64(_mm256_mul_epu32(u, cache), 32));
    const __m256i zResult = _mm256_srli_epi64(z, 32);
    const __m256i zInteger = equal(low32(z), zero);

    // The larger divisor: its quotient stands where the remainder is below the interval's width.
    const __m256i quotient = _mm256_srli_epi64(_mm256_mul_epu32(zResult, all(1374389535)), 37);
    const __m256i remainder =
        _mm256_sub_epi64(zResult, _mm256_mul_epu32(quotient, all(Floats::big_divisor)));
    const __m256i larger = greater(deltai, remainder);
    const __m256i odd = equal(_mm256_and_si256(significand, all(1)), all(1));
    unsettled = _mm256_or_si256(unsettled, equal(remainder, deltai));
    unsettled = _mm256_or_si256(unsettled,
                                _mm256_and_si256(_mm256_and_si256(larger, equal(remainder, zero)),
                                                 _mm256_and_si256(zInteger, odd)));
    // A zero quotient never comes from a normal float, but {fmt}'s removal of its trailing zeros
    // would not end: it is left to {fmt} rather than given digits here.
    unsettled = _mm256_or_si256(unsettled, _mm256_and_si256(larger, equal(quotient, zero)));

    // Its trailing zeros: the quotient is below 2^32 / 100, so at most seven, taken four, two and
    // one at a time.
    constexpr std::uint32_t inverseOf5 = 0xcccccccdu;
    constexpr std::uint32_t inverseOf25 = inverseOf5 * inverseOf5;
    constexpr std::uint32_t inverseOf625 = inverseOf25 * inverseOf25;
    __m256i largerDigits = quotient;
    __m256i removed = _mm256_and_si256(
        divideWhereWhole<inverseOf625, 4, 0xffffffffu / 10000>(largerDigits), all(4));
    removed = _mm256_add_epi64(
        removed, _mm256_and_si256(divideWhereWhole<inverseOf25, 2, 0xffffffffu / 100>(largerDigits),
                                  all(2)));
    removed = _mm256_add_epi64(
        removed,
        _mm256_and_si256(divideWhereWhole<inverseOf5, 1, 0xffffffffu / 10>(largerDigits), all(1)));
    const __m256i largerExponent =
        _mm256_add_epi64(_mm256_add_epi64(minusK, all(Floats::kappa + 1)), removed);

    // The smaller divisor: ten times the quotient and the distance's tenth, one less where the
    // distance is whole and the parity of y, or a tie to even, says so.
    const __m256i distance = _mm256_add_epi64(
        _mm256_sub_epi64(remainder, _mm256_srli_epi64(deltai, 1)), all(Floats::small_divisor / 2));
    const __m256i approxParity =
        _mm256_and_si256(_mm256_xor_si256(distance, all(Floats::small_divisor / 2)), all(1));
    constexpr std::uint32_t magic = (1u << 16) / 10 + 1;
    const __m256i scaled = low32(_mm256_mul_epu32(distance, all(magic)));
    const __m256i wholeTenths = greater(all(magic), _mm256_and_si256(scaled, all(0xffff)));
    const __m256i smallerPlain =
        _mm256_add_epi64(_mm256_mul_epu32(quotient, all(10)), _mm256_srli_epi64(scaled, 16));
    const __m256i y = _mm256_add_epi64(_mm256_mul_epu32(twoFc, cache),
                                       _mm256_slli_epi64(_mm256_mul_epu32(twoFc, cacheHigh), 32));
    const __m256i yParity =
        _mm256_and_si256(_mm256_srlv_epi64(y, _mm256_sub_epi64(all(64), beta)), all(1));
    const __m256i yInteger =
        equal(low32(_mm256_srlv_epi64(y, _mm256_sub_epi64(all(32), beta))), zero);
    const __m256i smallerOdd = equal(_mm256_and_si256(smallerPlain, all(1)), all(1));
    const __m256i lower = _mm256_and_si256(
        wholeTenths, _mm256_or_si256(_mm256_andnot_si256(equal(yParity, approxParity), all(-1)),
                                     _mm256_and_si256(yInteger, smallerOdd)));
    const __m256i smallerDigits =
        _mm256_add_epi64(smallerPlain, lower);  // lower is -1 where it holds
    const __m256i smallerExponent = _mm256_add_epi64(minusK, all(Floats::kappa));

    return {_mm256_blendv_epi8(smallerDigits, largerDigits, larger),
            _mm256_blendv_epi8(smallerExponent, largerExponent, larger), unsettled};
}

// The decimals of values[0..3] into out[0..3]; answers a bit for each float left to the
// one-at-a-time path.
[[gnu::target("avx2")]] int decimalsOfFour(const float *values, ShortestDecimal *out) {
    const FourDecimals four =
        fourDecimals(_mm_loadu_si128(reinterpret_cast<const __m128i *>(values)));
    alignas(32) std::array<std::uint64_t, 4> digits{};
    alignas(32) std::array<std::int64_t, 4> exponents{};
    _mm256_store_si256(reinterpret_cast<__m256i *>(digits.data()), four.digits);
    _mm256_store_si256(reinterpret_cast<__m256i *>(exponents.data()), four.exponents);
    for (std::size_t i = 0; i < 4; ++i) {
        out[i] = {std::bit_cast<std::uint32_t>(values[i]), static_cast<std::uint32_t>(digits[i]),
                  static_cast<int>(exponents[i])};
    }
    return _mm256_movemask_pd(_mm256_castsi256_pd(four.unsettled));
}

bool hasAvx2() {
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return has;
}

}  // namespace

void shortestDecimals(std::span<const float> values, std::span<ShortestDecimal> out) {
    std::size_t done = 0;
    if (hasAvx2()) {
        for (; done + 4 <= values.size(); done += 4) {
            for (int lanes = decimalsOfFour(values.data() + done, out.data() + done); lanes != 0;
                 lanes &= lanes - 1) {
                const std::size_t i =
                    done + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(lanes)));
                out[i] = shortestDecimal(values[i]);
            }
        }
    }
    shortestDecimalsOneByOne(values.subspan(done), out.subspan(done));
}

#else

void shortestDecimals(std::span<const float> values, std::span<ShortestDecimal> out) {
    shortestDecimalsOneByOne(values, out);
}

#endif

}  // namespace formats
