// Text at the Windows API's boundary (Windows builds only): the program's text is UTF-8, the API's
// is UTF-16; the system's messages come back as UTF-8 lines.
#pragma once

#include <string>
#include <string_view>

namespace formats {

// UTF-16 to UTF-8, and back; unpaired surrogates become U+FFFD.
std::string utf8Text(std::wstring_view wide);
std::wstring wideText(std::string_view utf8);

// The system's message for a GetLastError code as one line of UTF-8 (FormatMessageW): no line end
// or final full stop, and an insert such as "%1" replaced by `subject`. "error N" when the system
// has no text for it.
std::string systemMessage(unsigned long code, std::string_view subject = "the file");

}  // namespace formats
