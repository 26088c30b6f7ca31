// Names of the files a run writes: <object>.<frame>.obj and .svg, so that they sort by frame; and
// the file-name rules of the system that every output is held to.
#pragma once

#include "cli/frame_span.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace cli {

// Whose file-name rules an output follows: Windows keeps names for devices, drops a final dot or
// space and takes names of another case for the same file; POSIX systems do none of that.
enum class NameRules { Posix, Windows };
#if defined(_WIN32)
inline constexpr NameRules systemNameRules = NameRules::Windows;
#else
inline constexpr NameRules systemNameRules = NameRules::Posix;
#endif

// Why an output file of this name (one part of a path) cannot be written under `rules`, or empty.
// Under Windows's rules "NUL" alone is the null device, written as /dev/null is on POSIX systems;
// any other device's name, or NUL with an extension, is refused.
std::string outputNameFault(std::string_view fileName, NameRules rules);

// The name in `others` that Windows takes for `fileName` though it is written otherwise ("Bush.obj"
// for "bush.obj"), or empty; always empty under POSIX rules.
std::string caseOnlyClash(std::string_view fileName, std::span<const std::string> others,
                          NameRules rules);

// The object's name made safe as a file name: every byte other than letters, digits, '-', '_' and
// '.' becomes '_', and so does each leading '.', so that the files are visible and stay in their
// folder ("../../evil/x" gives "___.._evil_x"); a name of nothing else ("", "..", "//") becomes
// "object". A stem longer than maxStemBytes is cut and ends in '~' and 16 hex digits of a hash of
// the whole name, so that two long names that differ anywhere keep apart and every file name with
// its frame, kind and a temporary ending stays within the 255 bytes file systems allow. Under
// Windows's rules a stem that is a device's name gets a '_' ahead ("NUL" gives "_NUL").
std::string fileStem(std::string_view objectName, NameRules rules = systemNameRules);

inline constexpr std::size_t maxStemBytes = 200;

// The frame that `label` (as frameLabel wrote it at `digits` digits) stands for, or nullopt when it
// is no such label.
std::optional<std::int32_t> labelFrame(std::string_view label, int digits);

// Digits needed to write every frame of `span` at one width (at least 4), so that names sort.
int frameDigits(const FrameSpan &span);

// The frame zero-padded to `digits` digits, a '-' ahead of negative ones: "0007", "-0003".
std::string frameLabel(std::int32_t frame, int digits);

}  // namespace cli
