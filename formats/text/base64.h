// Base64 with the standard alphabet and '=' padding, written into room the caller has sized, so
// that a large text is made in one pass without growing a string.
#pragma once

#include <cstddef>
#include <span>

namespace formats {

// The length of the base64 text of `bytes` bytes.
constexpr std::size_t base64Size(std::size_t bytes) { return (bytes + 2) / 3 * 4; }

// Writes the base64 text of `bytes` at `out`, which has room for base64Size(bytes.size()); the end.
// Pieces whose sizes are multiples of 3 may be written one after another: no padding falls between
// them.
char *writeBase64(char *out, std::span<const std::byte> bytes);

}  // namespace formats
