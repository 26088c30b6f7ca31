// A look-at camera with a pinhole projection, and the default three-quarter view.
#include "formats/svg_camera.h"

#include <algorithm>
#include <cmath>

namespace formats {

using hostsim::Point3;
namespace {

Point3 normalised(const Point3 &a) {
    const double l = length(a);
    return l > 0.0 ? a * (1.0 / l) : Point3{};
}

}  // namespace

Projection::Projection(const Camera &camera, double width, double height) : eye_(camera.position) {
    forward_ = normalised(camera.lookAt - camera.position);
    if (length(forward_) == 0.0) forward_ = {0.0, 0.0, 1.0};
    // With Y up and Z away from the viewer, up x forward points to the viewer's right.
    Point3 worldUp{0.0, 1.0, 0.0};
    if (length(cross(worldUp, forward_)) < 1e-9) worldUp = {0.0, 0.0, 1.0};
    right_ = normalised(cross(worldUp, forward_));
    up_ = cross(forward_, right_);
    focal_ = (height / 2.0) / std::tan(camera.fieldOfView / 2.0);
    centreX_ = width / 2.0;
    centreY_ = height / 2.0;
}

ScreenPoint Projection::project(const Point3 &point) const {
    const Point3 offset = point - eye_;
    const double depth = dot(offset, forward_);
    if (!(depth > 0.0)) return {0.0, 0.0, depth};
    return {centreX_ + focal_ * dot(offset, right_) / depth,
            centreY_ - focal_ * dot(offset, up_) / depth, depth};
}

Camera framingCamera(std::span<const Point3> points, double aspect) {
    Point3 low{points.empty() ? Point3{} : points.front()};
    Point3 high = low;
    for (const Point3 &p : points) {
        low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    }
    const Point3 centre = (low + high) * 0.5;
    const Point3 direction = normalised({1.0, 0.75, -1.0});
    Camera camera;
    camera.lookAt = centre;
    camera.position = centre + direction;

    // The nearest distance at which every point lies within the field of view: a point at sideways
    // offset s and depth offset d from the centre needs a distance of at least s / tan(half angle)
    // - d.
    const Projection axes(camera, 1.0, 1.0);
    const double tanHalfHeight = std::tan(camera.fieldOfView / 2.0);
    const double tanHalfWidth = tanHalfHeight * (aspect > 0.0 ? aspect : 1.0);
    // Every point also stays in front of the camera by a tenth of the box's size.
    const double nearest = 0.1 * length(high - low);
    double distance = 0.0;
    for (const Point3 &p : points) {
        const Point3 offset = p - centre;
        const double depth = dot(offset, axes.forward());
        distance =
            std::max({distance, std::abs(dot(offset, axes.right())) / tanHalfWidth - depth,
                      std::abs(dot(offset, axes.up())) / tanHalfHeight - depth, nearest - depth});
    }
    distance =
        distance > 0.0 ? 1.1 * distance : 3.0;  // a margin; a single point is seen from 3 units
    camera.position = centre + direction * distance;
    return camera;
}

}  // namespace formats
