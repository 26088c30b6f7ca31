// Text made safe for XML and HTML content and attribute values.
#pragma once

#include <string>
#include <string_view>

namespace formats {

// Escapes & < > " ' and replaces what XML cannot hold (control characters other than tab, newline
// and carriage return, and bytes that are not UTF-8) with U+FFFD, so names from anywhere give
// well-formed output.
std::string xmlEscaped(std::string_view text);

}  // namespace formats
