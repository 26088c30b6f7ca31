// The nesting scan: strings with their escapes and both kinds of comment are stepped over.
#include "formats/json_depth.h"

#include "hostsim/host_error.h"

namespace formats {

void checkJsonDepth(std::string_view text, const std::string &file) {
    std::size_t depth = 0;
    const std::size_t size = text.size();
    for (std::size_t i = 0; i < size; ++i) {
        const char c = text[i];
        if (c == '"') {
            for (++i; i < size && text[i] != '"'; ++i) {
                if (text[i] == '\\') ++i;
            }
        } else if (c == '/' && i + 1 < size && text[i + 1] == '/') {
            while (i < size && text[i] != '\n') ++i;
        } else if (c == '/' && i + 1 < size && text[i + 1] == '*') {
            const std::size_t end = text.find("*/", i + 2);
            i = end == std::string_view::npos ? size : end + 1;
        } else if (c == '[' || c == '{') {
            if (++depth > maxJsonDepth) {
                throw hostsim::HostError(file + ": JSON nested deeper than " +
                                         std::to_string(maxJsonDepth) + " levels at byte " +
                                         std::to_string(i));
            }
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
}

}  // namespace formats
