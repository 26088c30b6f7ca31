// Parsing "A-B" frame runs.
#include "cli/frame_span.h"

#include "cli/usage_error.h"

#include <charconv>
#include <optional>
#include <string>

namespace cli {
namespace {

// A whole number taking all of `text`; nullopt otherwise.
std::optional<std::int32_t> wholeNumber(std::string_view text) {
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

}  // namespace

FrameSpan parseFrameSpan(std::string_view text, std::string_view option) {
    const auto fail = [&](std::string_view what) {
        return UsageError(std::string(option) + ' ' + std::string(text) + ": " + std::string(what));
    };
    if (const auto single = wholeNumber(text)) return {*single, *single};
    // The separating '-' is the first one after the first character, so that "-5--1" splits as -5,
    // -1.
    const std::size_t dash = text.size() > 1 ? text.find('-', 1) : std::string_view::npos;
    if (dash == std::string_view::npos) throw fail("expected A-B, two whole frame numbers");
    const auto first = wholeNumber(text.substr(0, dash));
    const auto last = wholeNumber(text.substr(dash + 1));
    if (!first || !last) throw fail("expected A-B, two whole frame numbers");
    if (*first > *last) throw fail("expected A-B with A not after B");
    return {*first, *last};
}

}  // namespace cli
