// One frame of a displaced object as an SVG picture: the leaves before and after, side by side.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "formats/svg_camera.h"
#include "hostsim/scene.h"

namespace formats {

using hostsim::Point3;

// What one picture shows. The frame borrows the points; they must outlive it.
struct SvgFrame {
    std::span<const std::array<float, 3>> base;    // the object's points as the host holds them
    std::span<const hostsim::Position> displaced;  // the same points after the displacement
    int leafSize = 4;                              // points per leaf
    std::int32_t pivotRule = 0;     // the instance's pivot rule, which tells the turned side
    std::size_t maxLeaves = 20000;  // more leaves than this are drawn as an even sample
    std::string targetName;
    std::optional<Point3> targetPosition;  // none: no target is marked
    std::int32_t frame = 0;
    std::string caption;           // the settings, one line
    std::optional<Camera> camera;  // none: framingCamera of all points and the target
    double panelWidth = 640.0;     // each of the two panels, in pixels
    double panelHeight = 480.0;
};

// The picture as SVG text. Each run of leafSize points is one filled polygon, drawn far to near. A
// leaf seen from the side the module turns toward the target (its local -Z, facingDirection) is in
// the "facing" colour, seen from the other side in the "far" colour, both shaded by how squarely
// they face the camera; a legend under the panels says so. Points that form no whole leaf are dots.
// Of more than maxLeaves leaves every n-th is drawn, so that a browser shows the picture quickly,
// and the caption says so. What could not be seen is left out, so that a picture costs what it can
// show: leaves that nearer leaves cover wholly, shapes outside their panel, and all but the nearest
// leaf smaller than a pixel in each pixel. Leaves and dots are placed to a tenth of a pixel. The
// right panel is shifted by panelWidth; both use the same camera. Labels stay inside their panel.
// Throws std::invalid_argument when base and displaced differ in size.
std::string renderSvg(const SvgFrame &frame);

}  // namespace formats
