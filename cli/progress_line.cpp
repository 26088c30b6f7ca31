// The progress line: redrawn at most ten times a second with a carriage return.
#include "cli/progress_line.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>

namespace cli {

ProgressLine::ProgressLine(bool quiet) : shown_(!quiet && isatty(STDERR_FILENO) == 1) {}

ProgressLine::~ProgressLine() { finish(); }

void ProgressLine::update(std::int64_t done, std::int64_t total, std::int64_t points) {
    if (!shown_) return;
    const auto now = Clock::now();
    if (done < total && now - lastDrawn_ < std::chrono::milliseconds(100)) return;
    lastDrawn_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double perSecond = seconds > 0.0 ? static_cast<double>(points) / seconds : 0.0;
    const double left =
        done > 0 ? seconds * static_cast<double>(total - done) / static_cast<double>(done) : 0.0;
    std::fprintf(stderr, "\rframe %lld of %lld, %.0f points/s, %.0f s left\033[K",
                 static_cast<long long>(done), static_cast<long long>(total), perSecond,
                 std::ceil(left));
    std::fflush(stderr);
    dirty_ = true;
}

void ProgressLine::finish() {
    if (!dirty_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    dirty_ = false;
}

}  // namespace cli
