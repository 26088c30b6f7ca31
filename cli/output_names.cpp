// File names of a run's output, and the system's file-name rules for every output.
#include "cli/output_names.h"

#include "formats/text/windows_names.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

namespace cli {
namespace {

// FNV-1a, 64 bits: the same name gives the same hash on every build.
std::uint64_t nameHash(std::string_view name) {
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (const char c : name) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3u;
    }
    return hash;
}

}  // namespace

std::string outputNameFault(std::string_view fileName, NameRules rules) {
    if (rules == NameRules::Posix || formats::windowsNameKey(fileName) == "NUL") return {};
    return formats::windowsNameFault(fileName);
}

std::string caseOnlyClash(std::string_view fileName, std::span<const std::string> others,
                          NameRules rules) {
    if (rules == NameRules::Posix) return {};
    const std::string key = formats::windowsNameKey(fileName);
    for (const std::string &other : others)
        if (other != fileName && formats::windowsNameKey(other) == key) return other;
    return {};
}

std::string fileStem(std::string_view objectName, NameRules rules) {
    std::string stem;
    for (const char c : objectName) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
        stem += plain ? c : '_';
    }
    // A leading '.' would hide the files ("../x" gives "_._x", not ".._x").
    for (char &c : stem) {
        if (c != '.') break;
        c = '_';
    }
    if (stem.find_first_not_of('_') == std::string::npos) return "object";
    if (rules == NameRules::Windows && !formats::windowsDeviceName(stem).empty()) stem = '_' + stem;
    if (stem.size() > maxStemBytes) {
        constexpr char hex[] = "0123456789abcdef";
        const std::uint64_t hash = nameHash(objectName);
        stem.resize(maxStemBytes - 17);
        stem += '~';
        for (int shift = 60; shift >= 0; shift -= 4) stem += hex[(hash >> shift) & 0xf];
    }
    return stem;
}

std::optional<std::int32_t> labelFrame(std::string_view label, int digits) {
    std::int64_t magnitude = 0;
    const std::string_view number = label.starts_with('-') ? label.substr(1) : label;
    if (number.empty() || number.front() == '+') return std::nullopt;
    const auto [end, error] =
        std::from_chars(number.data(), number.data() + number.size(), magnitude);
    if (error != std::errc() || end != number.data() + number.size()) return std::nullopt;
    const std::int64_t frame = label.starts_with('-') ? -magnitude : magnitude;
    if (frame < INT32_MIN || frame > INT32_MAX) return std::nullopt;
    const auto f = static_cast<std::int32_t>(frame);
    if (frameLabel(f, digits) != label) return std::nullopt;
    return f;
}

int frameDigits(const FrameSpan &span) {
    const std::int64_t widest = std::max(std::llabs(span.first), std::llabs(span.last));
    return std::max(4, static_cast<int>(std::to_string(widest).size()));
}

std::string frameLabel(std::int32_t frame, int digits) {
    const std::string number = std::to_string(std::llabs(frame));
    const std::string padded =
        std::string(static_cast<std::size_t>(std::max(0, digits - static_cast<int>(number.size()))),
                    '0') +
        number;
    return frame < 0 ? '-' + padded : padded;
}

}  // namespace cli
