// A byte per pixel of the panel: hidden once a nearer convex leaf covers the whole pixel, with a
// margin for the tenth of a pixel the picture rounds coordinates to.
#include "formats/svg_coverage.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace formats {

namespace {

// How far inside a leaf a pixel must lie to count as hidden: the picture's coordinates move by up
// to half a tenth of a pixel when written.
constexpr double insideMargin = 0.1;

// Panels beyond this many pixels, or this many on a side, are not tracked: every shape in them
// shows.
constexpr double largestTracked = 16.0 * 1024 * 1024;
constexpr double longestTracked = 64.0 * 1024;

// Whether the polygon is convex and simple: every turn the same way, and its edges go down and up
// once only (a star turns the same way everywhere but goes round more than once).
bool isConvex(std::span<const ScreenPoint> corners) {
    const std::size_t n = corners.size();
    int turns = 0;
    int verticalChanges = 0;
    int lastVertical = 0;
    int firstVertical = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const ScreenPoint &a = corners[i];
        const ScreenPoint &b = corners[(i + 1) % n];
        const ScreenPoint &c = corners[(i + 2) % n];
        const double cross = (b.x - a.x) * (c.y - b.y) - (b.y - a.y) * (c.x - b.x);
        const int turn = cross > 0.0 ? 1 : cross < 0.0 ? -1 : 0;
        if (turn != 0) {
            if (turns != 0 && turn != turns) return false;
            turns = turn;
        }
        const int vertical = b.y > a.y ? 1 : b.y < a.y ? -1 : 0;
        if (vertical != 0) {
            if (lastVertical != 0 && vertical != lastVertical) ++verticalChanges;
            if (firstVertical == 0) firstVertical = vertical;
            lastVertical = vertical;
        }
    }
    if (lastVertical != 0 && firstVertical != lastVertical) ++verticalChanges;
    return turns != 0 && verticalChanges <= 2;
}

// Where a horizontal line at height h crosses the convex polygon, as [left, right]; left > right
// when it misses it.
std::pair<double, double> crossing(std::span<const ScreenPoint> corners, double h) {
    double left = INFINITY;
    double right = -INFINITY;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const ScreenPoint &a = corners[i];
        const ScreenPoint &b = corners[(i + 1) % corners.size()];
        if (a.y == b.y || h < std::min(a.y, b.y) || h > std::max(a.y, b.y)) continue;
        const double x = a.x + (h - a.y) * (b.x - a.x) / (b.y - a.y);
        left = std::min(left, x);
        right = std::max(right, x);
    }
    return {left, right};
}

// The pixels [first, last) that [from, to] touches, within [0, size).
std::pair<int, int> touched(double from, double to, int size) {
    const double first = std::clamp(std::floor(from), 0.0, static_cast<double>(size));
    const double last = std::clamp(std::floor(to) + 1.0, first, static_cast<double>(size));
    return {static_cast<int>(first), static_cast<int>(last)};
}

}  // namespace

PanelCoverage::PanelCoverage(double width, double height) : width_(0), height_(0) {
    if (!(width > 0.0) || !(height > 0.0) || width > longestTracked || height > longestTracked ||
        width * height > largestTracked)
        return;
    width_ = static_cast<int>(std::ceil(width));
    height_ = static_cast<int>(std::ceil(height));
    hidden_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 0);
    tiny_ = hidden_;
}

bool PanelCoverage::show(std::span<const ScreenPoint> corners, double reach) {
    if (width_ == 0 || corners.empty()) return true;
    double left = corners[0].x, right = left, top = corners[0].y, bottom = top;
    for (const ScreenPoint &s : corners) {
        left = std::min(left, s.x);
        right = std::max(right, s.x);
        top = std::min(top, s.y);
        bottom = std::max(bottom, s.y);
    }
    if (!anyOpen(left - reach, top - reach, right + reach, bottom + reach)) return false;
    if (corners.size() > 1 && right - left < 1.0 && bottom - top < 1.0) {
        const double x = std::floor((left + right) / 2.0);
        const double y = std::floor((top + bottom) / 2.0);
        if (x >= 0.0 && y >= 0.0 && x < width_ && y < height_) {
            std::uint8_t &claimed =
                tiny_[static_cast<std::size_t>(y) * width_ + static_cast<std::size_t>(x)];
            if (claimed != 0) return false;
            claimed = 1;
        }
        return true;
    }
    if (corners.size() >= 3 && isConvex(corners)) hideInside(corners);
    return true;
}

bool PanelCoverage::anyOpen(double left, double top, double right, double bottom) const {
    const auto [x0, x1] = touched(left, right, width_);
    const auto [y0, y1] = touched(top, bottom, height_);
    for (int y = y0; y < y1; ++y) {
        const std::uint8_t *row = hidden_.data() + static_cast<std::size_t>(y) * width_;
        if (std::memchr(row + x0, 0, static_cast<std::size_t>(x1 - x0)) != nullptr) return true;
    }
    return false;
}

void PanelCoverage::hideInside(std::span<const ScreenPoint> corners) {
    double top = corners[0].y, bottom = top;
    for (const ScreenPoint &s : corners) {
        top = std::min(top, s.y);
        bottom = std::max(bottom, s.y);
    }
    // Row y spans [y, y + 1]; with the margin, [y - m, y + 1 + m] must lie within the polygon's
    // height, where its left edge is convex and its right edge concave: the narrowest crossing of
    // the band is at its top or its bottom.
    const int firstRow = static_cast<int>(
        std::clamp(std::ceil(top + insideMargin), 0.0, static_cast<double>(height_)));
    const double lastRow =
        std::min(std::floor(bottom - insideMargin) - 1.0, static_cast<double>(height_ - 1));
    for (int y = firstRow; y <= lastRow; ++y) {
        const auto [topLeft, topRight] = crossing(corners, y - insideMargin);
        const auto [bottomLeft, bottomRight] = crossing(corners, y + 1.0 + insideMargin);
        const double from = std::ceil(std::max(topLeft, bottomLeft) + insideMargin);
        const double to = std::floor(std::min(topRight, bottomRight) - insideMargin);
        const int x0 = static_cast<int>(std::clamp(from, 0.0, static_cast<double>(width_)));
        const int x1 = static_cast<int>(std::clamp(to, 0.0, static_cast<double>(width_)));
        if (x1 > x0)
            std::memset(hidden_.data() + static_cast<std::size_t>(y) * width_ + x0, 1,
                        static_cast<std::size_t>(x1 - x0));
    }
}

}  // namespace formats
