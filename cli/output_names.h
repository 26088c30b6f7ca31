// Names of the files a run writes: <object>.<frame>.obj and .svg, so that they sort by frame.
#pragma once

#include "cli/frame_span.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cli {

// The object's name made safe as a file name: every byte other than letters, digits, '-', '_' and
// '.' becomes '_', and so does each leading '.', so that the files are visible and stay in their
// folder ("../../evil/x" gives "___.._evil_x"); a name of nothing else ("", "..", "//") becomes
// "object". A stem longer than maxStemBytes is cut and ends in '~' and 16 hex digits of a hash of
// the whole name, so that two long names that differ anywhere keep apart and every file name with
// its frame, kind and a temporary ending stays within the 255 bytes file systems allow.
std::string fileStem(std::string_view objectName);

inline constexpr std::size_t maxStemBytes = 200;

// The frame that `label` (as frameLabel wrote it at `digits` digits) stands for, or nullopt when it
// is no such label.
std::optional<std::int32_t> labelFrame(std::string_view label, int digits);

// Digits needed to write every frame of `span` at one width (at least 4), so that names sort.
int frameDigits(const FrameSpan &span);

// The frame zero-padded to `digits` digits, a '-' ahead of negative ones: "0007", "-0003".
std::string frameLabel(std::int32_t frame, int digits);

}  // namespace cli
