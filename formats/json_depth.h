// A bound on the nesting of JSON text, checked by a flat scan before any parser that recurses once
// per level can see the text and run out of stack.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace formats {

// The deepest nesting of arrays and objects that the readers accept.
inline constexpr std::size_t maxJsonDepth = 256;

// Throws HostError "<file>: JSON nested deeper than 256 levels at byte N" when an array or object
// opens more than maxJsonDepth levels deep. Brackets inside strings and comments do not count; the
// text is otherwise not checked (the parser does that).
void checkJsonDepth(std::string_view text, const std::string &file);

}  // namespace formats
