// One progress line on stderr, rewritten in place: frame k of N, points per second, time left.
// Shown only when stderr is a terminal (on Windows a console), so logs and pipes stay clean.
#pragma once

#include <chrono>
#include <cstdint>

namespace cli {

class ProgressLine {
  public:
    // Shows nothing when `quiet` is set or stderr is not a terminal.
    explicit ProgressLine(bool quiet);
    ~ProgressLine();
    ProgressLine(const ProgressLine &) = delete;
    ProgressLine &operator=(const ProgressLine &) = delete;

    // `done` of `total` frames are finished and `points` points evaluated since the start.
    void update(std::int64_t done, std::int64_t total, std::int64_t points);
    // Clears the line.
    void finish();

  private:
    using Clock = std::chrono::steady_clock;

    bool shown_;
    bool dirty_ = false;
    int width_ = 0;  // of the line shown
    Clock::time_point start_ = Clock::now();
    Clock::time_point lastDrawn_{};
};

}  // namespace cli
