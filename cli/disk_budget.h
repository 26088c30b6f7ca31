// What a run will write, said before it fills a disk: bytes of the first frame times the frames.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace cli {

// Runs that will write more than this are announced.
inline constexpr std::uintmax_t largeRunBytes = std::uintmax_t{2} << 30;

// "1.5 GB", "812 MB", "4 kB", "17 bytes"
std::string byteText(std::uintmax_t bytes);

// Bytes free to this user in the folder; nullopt when the system does not say.
std::optional<std::uintmax_t> freeBytes(const std::filesystem::path &folder);

// The warning for a run that writes `perFrame` bytes for each of `frames` frames into `folder`, or
// nothing when that stays under largeRunBytes and fits in the free space.
std::optional<std::string> largeRunWarning(const std::filesystem::path &folder,
                                           std::uintmax_t perFrame, std::int64_t frames);

}  // namespace cli
