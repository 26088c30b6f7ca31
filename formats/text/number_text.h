// Numbers written as text: the shortest form that reads back exactly, or a fixed number of
// decimals. The shortest text of a float is byte for byte what std::to_chars(float) of libstdc++
// writes.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>

#include "formats/text/float_decimals.h"

namespace formats {

// The longest shortest-float text: "-1.1754944e-38".
inline constexpr std::size_t shortestFloatMaxChars = 15;
// The room writeShortest needs: it writes whole blocks of digits, some past the end of the text.
inline constexpr std::size_t shortestFloatRoom = 18;

// Writes the shortest decimal that reads back as exactly `value` at `out`, which has room for
// shortestFloatRoom; the end. Fixed or scientific, whichever is shorter, fixed on a tie: "0.1",
// "-2", "123456792", "0.001", "1e-04", "1.5e+20"; "-0", "inf", "-inf", "nan" and "-nan" (by the
// sign bit).
char *writeShortest(char *out, float value);

// Appends the text of writeShortest.
void appendShortest(std::string &out, float value);

// Appends "x y z", each coordinate rounded to float and written in its shortest form.
void appendFloatTriple(std::string &out, const std::array<double, 3> &xyz);

// The room writeFloatTriple needs: two floats and their spaces, then the room of the third. The
// text itself is at most 47 characters.
inline constexpr std::size_t floatTripleRoom = 2 * (shortestFloatMaxChars + 1) + shortestFloatRoom;

// Writes the text of appendFloatTriple at `out`, which has room for floatTripleRoom; the end.
char *writeFloatTriple(char *out, const std::array<double, 3> &xyz);

// Many triples written as writeFloatTriple writes each: their decimals are found a batch at a time,
// several at once where the processor can, then each triple is laid out on its own.
class FloatTriples {
  public:
    static constexpr std::size_t capacity = 256;

    // Rounds the first `capacity` of `triples` (or all, if fewer) to float and finds their
    // decimals.
    void load(std::span<const std::array<double, 3>> triples);
    // Writes the text of loaded triple `i` at `out`, which has room for floatTripleRoom; the end.
    char *write(char *out, std::size_t i) const;

  private:
    std::array<float, 3 * capacity> floats_{};
    std::array<ShortestDecimal, 3 * capacity> decimals_{};
};

// Appends `value` with exactly `decimals` digits after the point, e.g. "12.50"; a value whose text
// would be longer than 63 characters in its shortest form instead.
void appendFixed(std::string &out, double value, int decimals);

// The room writeFixed needs.
inline constexpr std::size_t fixedRoom = 64;

// Writes the text of appendFixed at `out`, which has room for fixedRoom; the end.
char *writeFixed(char *out, double value, int decimals);

// The float as a double that prints short: the double nearest to the float's shortest decimal, so
// that 0.1f becomes 0.1 and not 0.100000001490116. Converting the result to float gives `value`
// back.
double shortDouble(float value);

}  // namespace formats
