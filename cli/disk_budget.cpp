// Estimating and announcing the size of a run's output.
#include "cli/disk_budget.h"

#include <cstdio>
#include <system_error>

namespace cli {

std::string byteText(std::uintmax_t bytes) {
    static constexpr const char *units[] = {"bytes", "kB", "MB", "GB", "TB", "PB", "EB"};
    double value = static_cast<double>(bytes);
    std::size_t unit = 0;
    while (value >= 1000.0 && unit + 1 < std::size(units)) value /= 1000.0, ++unit;
    char text[32];
    std::snprintf(text, sizeof text, unit == 0 || value >= 10.0 ? "%.0f %s" : "%.1f %s", value,
                  units[unit]);
    return text;
}

std::optional<std::uintmax_t> freeBytes(const std::filesystem::path &folder) {
    std::error_code error;
    const auto space = std::filesystem::space(folder, error);
    if (error || space.available == static_cast<std::uintmax_t>(-1)) return std::nullopt;
    return space.available;
}

std::optional<std::string> largeRunWarning(const std::filesystem::path &folder,
                                           std::uintmax_t perFrame, std::int64_t frames) {
    const long double total = static_cast<long double>(perFrame) * static_cast<long double>(frames);
    const std::uintmax_t bytes =
        total >= 1.8e19L ? static_cast<std::uintmax_t>(-1) : static_cast<std::uintmax_t>(total);
    const auto available = freeBytes(folder);
    const bool fits = !available || bytes <= *available;
    if (bytes <= largeRunBytes && fits) return std::nullopt;
    std::string text = "this run will write about " + byteText(bytes) + " to " + folder.string() +
                       " (" + byteText(perFrame) + " a frame, " + std::to_string(frames) +
                       " frames)";
    if (available) text += "; " + byteText(*available) + " are free there";
    if (!fits) text += ", so it will stop when the disk is full, keeping the frames written whole";
    text += "; --no-obj, --no-svg, --every N or a shorter --frames write less";
    return text;
}

}  // namespace cli
