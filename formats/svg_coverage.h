// Which pixels of a picture's panel nearer shapes already hide, so that a picture leaves out what
// no one could see: shapes under nearer leaves, shapes outside the panel, and all but the nearest
// of the leaves smaller than a pixel that fall in one pixel. Shapes are offered nearest first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "formats/svg_camera.h"

namespace formats {

class PanelCoverage {
  public:
    // A panel of width x height pixels, the panel's clip; nothing is hidden yet.
    PanelCoverage(double width, double height);

    // Whether a shape with these projected corners (a leaf's polygon, or one point drawn as a dot
    // of `radius`) would show: some pixel within `reach` of it (its outline and anti-aliasing, or
    // the dot) is inside the panel and not yet hidden. A leaf that fits in one pixel whose pixel
    // already holds a nearer such leaf does not show either. A shape that shows claims its pixel
    // when it fits in one, and hides the pixels that lie wholly inside it when it is a convex
    // polygon.
    bool show(std::span<const ScreenPoint> corners, double reach);

  private:
    bool anyOpen(double left, double top, double right, double bottom) const;
    void hideInside(std::span<const ScreenPoint> corners);

    int width_;
    int height_;
    // Per pixel, row by row: hidden by a nearer leaf; holding a leaf smaller than a pixel.
    std::vector<std::uint8_t> hidden_;
    std::vector<std::uint8_t> tiny_;
};

}  // namespace formats
