// Bytes carried inside a document as a base64 data URI
// ("data:application/octet-stream;base64,...").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace formats {

// Whether `uri` is a data URI: it starts with "data:" (any case).
bool isDataUri(std::string_view uri);

// The bytes of a base64 data URI. The text must be strict base64 (the standard alphabet, a length
// that is a multiple of 4, '=' only as the last one or two characters) and, when `expected` is
// given, decode to exactly that many bytes; the size is checked before anything is decoded. Throws
// HostError
// "<where>: <what>".
std::vector<unsigned char> dataUriBytes(std::string_view uri, std::optional<std::uint64_t> expected,
                                        const std::string &where);

}  // namespace formats
