// A bound on the memory that reading a command's input may take: the points that the files expand
// to, and the bytes of the files and buffers held while reading, are counted before they are read,
// against a limit the user can raise and against the memory that is free. It also notes every file
// that reading took in (the scene, meshes, glTF buffers and images), so that no output of the
// command overwrites one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace formats {

// The default most points that one command reads, in all its meshes together.
inline constexpr std::uint64_t defaultMaxPoints = 50'000'000;

// The memory a point is reckoned to take from reading to writing: its floats as read, its displaced
// doubles, a texture coordinate and the module's share of its leaf.
inline constexpr std::uint64_t bytesPerPoint = 128;

// The bytes of memory this process may still take: the system's available memory, and no more than
// half of what a pointer can address.
std::uint64_t freeMemoryBytes();

class PointBudget {
  public:
    explicit PointBudget(std::uint64_t maxPoints = defaultMaxPoints)
        : PointBudget(maxPoints, freeMemoryBytes()) {}
    PointBudget(std::uint64_t maxPoints, std::uint64_t freeBytes)
        : maxPoints_(maxPoints), freeBytes_(freeBytes) {}

    // Counts `points` more points and `corners` more triangle corners (4 bytes each) read from
    // `file`; throws HostError "<file>: 60000000 points, more than --max-points allows (50000000)"
    // or
    // "<file>: 60000000 points need about 7.2 GB, more than the 3.1 GB of memory free", with the
    // points of earlier files named when there are any.
    void take(const std::string &file, std::uint64_t points, std::uint64_t corners = 0);

    // Counts `bytes` more bytes of `file` held in memory while reading (a file read whole, a
    // buffer), all files together, against the free memory; throws HostError "<file>: 10.0 GB to
    // read, more than the 3.1 GB of memory free", with what earlier files took when they took any.
    void takeBytes(const std::string &file, std::uint64_t bytes);

    // A file that reading took in or refers to, and what it is to the input: "the scene", "the
    // mesh", "a glTF buffer", "a glTF image".
    struct Source {
        std::filesystem::path path;
        std::string what;
    };
    // Notes a file; each path once, in order.
    void noteFile(const std::filesystem::path &file, std::string what);
    const std::vector<Source> &files() const { return files_; }

    // How many more points `take` accepts, for readers that count as they go.
    std::uint64_t pointsLeft() const;

    std::uint64_t pointsTaken() const { return points_; }

  private:
    std::uint64_t maxPoints_;
    std::uint64_t freeBytes_;
    std::uint64_t points_ = 0;
    std::uint64_t bytes_ = 0;
    std::vector<Source> files_;
};

}  // namespace formats
