// The binary glTF container (.glb): a 12-byte header, a JSON chunk and an optional BIN chunk.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace formats {

struct GlbChunks {
    std::string_view json;  // the JSON chunk's text
    std::optional<std::span<const unsigned char>>
        binary;  // the BIN chunk's bytes, when there is one
};

// The bytes of the .glb file that its 12-byte header `header` declares, checked against the
// file's `size`: the magic, version 2, and a length within the file. Throws HostError "<file>:
// <what>".
std::uint64_t glbLength(std::span<const unsigned char> header, std::uint64_t size,
                        const std::string &file);

// Splits a .glb file's bytes into its chunks; they point into `bytes`. Every length is checked
// against the bytes there are, in 64-bit arithmetic. Throws HostError "<file>: <what>".
GlbChunks splitGlb(std::span<const unsigned char> bytes, const std::string &file);

}  // namespace formats
