// A bound on the memory that reading meshes may take: the points that the files expand to are
// counted before they are read, against a limit the user can raise and against the memory that is
// free.
#pragma once

#include <cstdint>
#include <string>

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

    // How many more points `take` accepts, for readers that count as they go.
    std::uint64_t pointsLeft() const;

    std::uint64_t pointsTaken() const { return points_; }

  private:
    std::uint64_t maxPoints_;
    std::uint64_t freeBytes_;
    std::uint64_t points_ = 0;
    std::uint64_t bytes_ = 0;
};

}  // namespace formats
