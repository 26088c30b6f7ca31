// Reading numbers from words of text, exactly as std::from_chars reads them, with a short path for
// the plain decimals ("-0.4079", "12") mesh files are mostly made of.
#pragma once

#include <string_view>

namespace formats {

// The whole of `word` as a double, a leading '+' allowed; false when it is not one.
bool readDouble(std::string_view word, double &value);

// The whole of `word` as a whole number, '-' allowed, '+' not; false when it is not one or too large.
bool readWhole(std::string_view word, long long &value);

}  // namespace formats
