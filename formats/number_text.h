// Numbers written as text: the shortest form that reads back exactly, or a fixed number of decimals.
#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace formats {

// Appends the shortest decimal that reads back as exactly `value`, e.g. "0.1", "-2", "1e-07".
void appendShortest(std::string &out, float value);

// Appends "x y z", each coordinate rounded to float and written in its shortest form.
void appendFloatTriple(std::string &out, const std::array<double, 3> &xyz);

// The longest text writeFloatTriple makes: three floats of at most 15 characters ("-1.1754944e-38")
// and two spaces, rounded up.
inline constexpr std::size_t floatTripleMaxChars = 3 * 16 + 2;

// Writes the text of appendFloatTriple at `out`, which has room for floatTripleMaxChars; the end.
char *writeFloatTriple(char *out, const std::array<double, 3> &xyz);

// Appends `value` with exactly `decimals` digits after the point, e.g. "12.50".
void appendFixed(std::string &out, double value, int decimals);

// The float as a double that prints short: the double nearest to the float's shortest decimal, so
// that 0.1f becomes 0.1 and not 0.100000001490116. Converting the result to float gives `value` back.
double shortDouble(float value);

}  // namespace formats
