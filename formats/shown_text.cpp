// Quoting input in messages: escaped, and cut short.
#include "formats/shown_text.h"

namespace formats {

std::string shownInput(std::string_view text) {
    static constexpr char hex[] = "0123456789abcdef";
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        std::string piece;
        if (c == '\\')
            piece = "\\\\";
        else if (byte >= 0x20 && byte < 0x7f)
            piece = std::string(1, c);
        else
            piece = std::string{'\\', 'x', hex[byte >> 4], hex[byte & 15]};
        if (shown.size() + piece.size() > shownInputChars) return shown + "...";
        shown += piece;
    }
    return shown;
}

}  // namespace formats
