// Strict base64 decoding of data URIs, sized before it allocates.
#include "formats/data_uri.h"

#include <array>

#include "hostsim/host_error.h"

namespace formats {

namespace {

constexpr std::array<signed char, 256> base64Values() {
    std::array<signed char, 256> values{};
    for (auto &v : values) v = -1;
    constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 64; ++i)
        values[static_cast<unsigned char>(alphabet[i])] = static_cast<signed char>(i);
    return values;
}

constexpr auto base64Value = base64Values();

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

}  // namespace

bool isDataUri(std::string_view uri) { return startsWithNoCase(uri, "data:"); }

std::vector<unsigned char> dataUriBytes(std::string_view uri, std::optional<std::uint64_t> expected,
                                        const std::string &where) {
    const auto refuse = [&](const std::string &why) {
        throw hostsim::HostError(where + ": data uri " + why);
    };
    const std::size_t comma = uri.find(',');
    if (comma == std::string_view::npos) refuse("has no ',' before its data");
    const std::string_view header = uri.substr(0, comma);
    if (header.size() < 7 || !startsWithNoCase(header.substr(header.size() - 7), ";base64"))
        refuse("is not base64 (\";base64,\" expected)");
    const std::string_view text = uri.substr(comma + 1);
    if (text.size() % 4 != 0)
        refuse("is not base64: " + std::to_string(text.size()) +
               " characters, not a multiple of 4");
    std::size_t padding = 0;
    if (!text.empty() && text.back() == '=') padding = text[text.size() - 2] == '=' ? 2 : 1;
    const std::uint64_t size = std::uint64_t{text.size()} / 4 * 3 - padding;
    if (expected && size != *expected) {
        refuse("holds " + std::to_string(size) + " bytes, but byteLength declares " +
               std::to_string(*expected));
    }

    std::vector<unsigned char> bytes;
    bytes.reserve(static_cast<std::size_t>(size));
    for (std::size_t i = 0; i < text.size(); i += 4) {
        std::uint32_t group = 0;
        const std::size_t used = i + 4 == text.size() ? 4 - padding : 4;
        for (std::size_t k = 0; k < 4; ++k) {
            const int value = k < used ? base64Value[static_cast<unsigned char>(text[i + k])] : 0;
            if (value < 0)
                refuse("is not base64: a character other than A-Z, a-z, 0-9, '+' or '/' at " +
                       std::to_string(comma + 1 + i + k));
            group = group << 6 | static_cast<std::uint32_t>(value);
        }
        bytes.push_back(static_cast<unsigned char>(group >> 16));
        if (used > 2) bytes.push_back(static_cast<unsigned char>(group >> 8));
        if (used > 3) bytes.push_back(static_cast<unsigned char>(group));
    }
    return bytes;
}

}  // namespace formats
