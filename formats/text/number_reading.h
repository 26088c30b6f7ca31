// Reading numbers from words of text, exactly as std::from_chars reads them, with a short path for
// the plain decimals ("-0.4079", "12") mesh files are mostly made of.
#pragma once

#include <string_view>

namespace formats {

// The whole of `word` as a double, a leading '+' allowed; false when it is not one.
bool readDouble(std::string_view word, double &value);

// The plain decimal ([-+]digits[.digits], at most 19 digits) that [begin, end) starts with, as
// readDouble reads it; the end of it, or nullptr when the text starts with none that the short path
// takes. A plain decimal followed by more than it is not a number's whole word: the caller decides.
const char *readPlainDecimal(const char *begin, const char *end, double &value);

// readWhole through std::from_chars alone.
bool readWholeByFromChars(std::string_view word, long long &value);

// The whole of `word` as a whole number, '-' allowed, '+' not; false when it is not one or too
// large. Inline: mesh files hold several indices a point.
inline bool readWhole(std::string_view word, long long &value) {
    const char *p = word.data();
    const char *const end = p + word.size();
    const bool negative = p != end && *p == '-';
    if (negative) ++p;
    // Up to 18 digits cannot overflow; longer words go the long way.
    if (p != end && end - p <= 18) {
        long long magnitude = 0;
        for (; p != end && static_cast<unsigned char>(*p - '0') < 10; ++p)
            magnitude = magnitude * 10 + (*p - '0');
        if (p == end) {
            value = negative ? -magnitude : magnitude;
            return true;
        }
    }
    return readWholeByFromChars(word, value);
}

}  // namespace formats
