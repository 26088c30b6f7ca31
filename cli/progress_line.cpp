// The progress line: redrawn at most ten times a second with a carriage return. A terminal clears
// the rest of the line by its escape; a Windows console, which may not know it, gets spaces.
#include "cli/progress_line.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace cli {
namespace {

#if defined(_WIN32)
bool stderrIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}
// Spaces over what the line before showed beyond this one, and back.
std::string clearedRest(int shown, int before) {
    const int rest = std::max(before - shown, 0);
    return std::string(static_cast<std::size_t>(rest), ' ') +
           std::string(static_cast<std::size_t>(rest), '\b');
}
#else
bool stderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }
std::string clearedRest(int, int) { return "\033[K"; }
#endif

}  // namespace

ProgressLine::ProgressLine(bool quiet) : shown_(!quiet && stderrIsTerminal()) {}

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
    char text[160];
    const int length = std::snprintf(
        text, sizeof text, "frame %lld of %lld, %.0f points/s, %.0f s left",
        static_cast<long long>(done), static_cast<long long>(total), perSecond, std::ceil(left));
    std::fprintf(stderr, "\r%s%s", text, clearedRest(length, width_).c_str());
    std::fflush(stderr);
    width_ = length;
    dirty_ = true;
}

void ProgressLine::finish() {
    if (!dirty_) return;
    std::fprintf(stderr, "\r%s", clearedRest(0, width_).c_str());
    std::fflush(stderr);
    width_ = 0;
    dirty_ = false;
}

}  // namespace cli
