// What the C entries check in their callers' arguments before anything is read from them or
// changed: the five settings as the options panel takes them, counts that fit in memory, and texts
// that are UTF-8.
#pragma once

#include "host/vistrelle_contract.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace capi {

// The settings' names, in the contract's order.
inline constexpr std::array<const char *, SETTING_COUNT> settingNames = {
    "leaf points", "target", "pivot rule", "heading alignment", "pitch alignment"};

// One line naming the first setting the options panel would not take, with the values it takes:
// leaf points any 32-bit whole number (an integer field), the target TARGET_NONE or an item number
// up to `itemCount` (a popup of the items), the pivot rule one of the contract's rules, each
// alignment SWITCH_OFF or SWITCH_ON. Empty when every setting is taken.
std::string settingFault(std::span<const std::int32_t> values, std::size_t itemCount);

// Whether `text` is well-formed UTF-8: no stray or missing continuation bytes, no overlong forms,
// no UTF-16 surrogates, nothing above U+10FFFF.
bool isUtf8(std::string_view text);

// The path a caller named, `what` in the refusal: UTF-8, as the C interface takes every text.
// HostError when it is not.
std::filesystem::path namedPath(const char *utf8, const char *what);
// The path of a module file to load (namedPath), refused with a HostError when the module is loaded
// in this process already. A module loaded twice by one path is one image with one set of globals:
// a second session over it, from this library or from another copy of it (a second copy of the
// Python package), would turn its objects in the first session's scene.
std::filesystem::path modulePath(const char *utf8);

// The most items of `itemBytes` bytes each that an array in memory can hold (no object is larger
// than PTRDIFF_MAX bytes).
constexpr std::size_t mostItems(std::size_t itemBytes) {
    return static_cast<std::size_t>(PTRDIFF_MAX) / itemBytes;
}

}  // namespace capi
