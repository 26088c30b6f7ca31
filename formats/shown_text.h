// Input text made safe to quote in a one-line message: a hostile file must not fill a terminal or
// send it control bytes through an error line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace formats {

// The most characters of input that a message quotes.
inline constexpr std::size_t shownInputChars = 200;

// `text` with every byte that is not printable ASCII written as \xNN (a backslash as \\), cut after
// shownInputChars characters of the result with "..." added.
std::string shownInput(std::string_view text);

}  // namespace formats
