// Saving a displacement's settings into an existing scene file by changing only the text of its
// "data" value: comments, layout, member order and everything else of the file stay as written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace formats {

// `text` (a scene file's JSON, comments allowed) with the "data" of displacement `index` (0-based)
// written as `data`; a displacement without "data" gets the member added at its end. Throws
// HostError "<file>: ..." when the text has no such displacement or is not well-formed JSON.
std::string withDisplacementData(std::string_view text, std::size_t index,
                                 std::span<const std::int32_t> data, const std::string &file);

// Reads the scene file, changes its text as above, checks that the result reads back with the new
// data, and replaces the file (the file a symlink names, keeping its mode) whole.
void saveDisplacementData(const std::filesystem::path &path, std::size_t index,
                          std::span<const std::int32_t> data);

}  // namespace formats
