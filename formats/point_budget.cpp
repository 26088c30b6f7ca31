// Counting points against the limit and the free memory (free_memory_posix.cpp,
// free_memory_windows.cpp).
#include "formats/point_budget.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <string>

#include "hostsim/host_error.h"

namespace formats {

namespace {

std::string megabytes(std::uint64_t bytes) {
    char text[32];
    const double value = static_cast<double>(bytes);
    if (value < 1e6) return std::to_string(bytes) + " bytes";
    if (value < 1e9)
        std::snprintf(text, sizeof text, "%.1f MB", value / 1e6);
    else
        std::snprintf(text, sizeof text, "%.1f GB", value / 1e9);
    return text;
}

constexpr std::uint64_t most = std::numeric_limits<std::uint64_t>::max();

}  // namespace

std::uint64_t PointBudget::pointsLeft() const {
    const std::uint64_t byLimit = maxPoints_ > points_ ? maxPoints_ - points_ : 0;
    const std::uint64_t byMemory = freeBytes_ > bytes_ ? (freeBytes_ - bytes_) / bytesPerPoint : 0;
    return std::min(byLimit, byMemory);
}

void PointBudget::take(const std::string &file, std::uint64_t points, std::uint64_t corners) {
    const std::string earlier =
        points_ == 0 ? "" : " (after " + std::to_string(points_) + " in the files read before)";
    const std::string counted = file + ": " + std::to_string(points) + " points" + earlier;
    if (points > maxPoints_ || points_ > maxPoints_ - points) {
        throw hostsim::HostError(counted + ", more than --max-points allows (" +
                                 std::to_string(maxPoints_) + ")");
    }
    const std::uint64_t pointBytes = points > most / bytesPerPoint ? most : points * bytesPerPoint;
    const std::uint64_t cornerBytes = corners > most / 4 ? most : corners * 4;
    const std::uint64_t bytes = pointBytes > most - cornerBytes ? most : pointBytes + cornerBytes;
    if (bytes > freeBytes_ || bytes_ > freeBytes_ - bytes) {
        const std::string faces =
            corners == 0 ? "" : " and " + std::to_string(corners / 3) + " triangles";
        throw hostsim::HostError(
            counted + faces + " need about " + megabytes(bytes) + ", more than the " +
            megabytes(freeBytes_ > bytes_ ? freeBytes_ - bytes_ : 0) + " of memory free");
    }
    points_ += points;
    bytes_ += bytes;
}

void PointBudget::takeBytes(const std::string &file, std::uint64_t bytes) {
    if (bytes > freeBytes_ || bytes_ > freeBytes_ - bytes) {
        const std::string earlier =
            bytes_ == 0 ? "" : " (after " + megabytes(bytes_) + " for the input read before)";
        throw hostsim::HostError(
            file + ": " + megabytes(bytes) + " to read" + earlier + ", more than the " +
            megabytes(freeBytes_ > bytes_ ? freeBytes_ - bytes_ : 0) + " of memory free");
    }
    bytes_ += bytes;
}

void PointBudget::noteFile(const std::filesystem::path &file, std::string what) {
    if (std::none_of(files_.begin(), files_.end(),
                     [&](const Source &known) { return known.path == file; }))
        files_.push_back({file, std::move(what)});
}

}  // namespace formats
