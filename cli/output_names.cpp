// File names of a run's output.
#include "cli/output_names.h"

#include <algorithm>
#include <cstdlib>

namespace cli {

std::string fileStem(std::string_view objectName) {
    std::string stem;
    for (const char c : objectName) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == '-' || c == '_' || c == '.';
        stem += plain ? c : '_';
    }
    // A leading '.' would hide the files ("../x" gives "_._x", not ".._x").
    for (char &c : stem) {
        if (c != '.') break;
        c = '_';
    }
    if (stem.find_first_not_of('_') == std::string::npos) return "object";
    return stem;
}

int frameDigits(const FrameSpan &span) {
    const std::int64_t widest = std::max(std::llabs(span.first), std::llabs(span.last));
    return std::max(4, static_cast<int>(std::to_string(widest).size()));
}

std::string frameLabel(std::int32_t frame, int digits) {
    const std::string number = std::to_string(std::llabs(frame));
    const std::string padded = std::string(static_cast<std::size_t>(std::max(0, digits - static_cast<int>(number.size()))), '0') + number;
    return frame < 0 ? '-' + padded : padded;
}

}  // namespace cli
