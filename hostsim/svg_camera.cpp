// A look-at camera with a pinhole projection, and the default three-quarter view.
#include "hostsim/svg_camera.h"

#include <algorithm>
#include <cmath>

namespace hostsim {
namespace {

Point3 minus(const Point3 &a, const Point3 &b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double dot(const Point3 &a, const Point3 &b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Point3 cross(const Point3 &a, const Point3 &b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double length(const Point3 &a) { return std::sqrt(dot(a, a)); }
Point3 scaled(const Point3 &a, double s) { return {a.x * s, a.y * s, a.z * s}; }
Point3 normalised(const Point3 &a) {
    const double l = length(a);
    return l > 0.0 ? scaled(a, 1.0 / l) : Point3{};
}

}  // namespace

Projection::Projection(const Camera &camera, double width, double height) : eye_(camera.position) {
    forward_ = normalised(minus(camera.lookAt, camera.position));
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
    const Point3 offset = minus(point, eye_);
    const double depth = dot(offset, forward_);
    if (!(depth > 0.0)) return {0.0, 0.0, depth};
    return {centreX_ + focal_ * dot(offset, right_) / depth, centreY_ - focal_ * dot(offset, up_) / depth, depth};
}

Camera framingCamera(const Point3 &low, const Point3 &high, double aspect) {
    const Point3 centre{(low.x + high.x) / 2.0, (low.y + high.y) / 2.0, (low.z + high.z) / 2.0};
    double radius = length(minus(high, low)) / 2.0;
    if (!(radius > 0.0) || !std::isfinite(radius)) radius = 1.0;
    Camera camera;
    camera.lookAt = centre;
    const double halfHeight = camera.fieldOfView / 2.0;
    const double halfWidth = std::atan(std::tan(halfHeight) * aspect);
    // The bounding sphere fits the narrower half-angle, with a little margin.
    const double distance = 1.1 * radius / std::sin(std::min(halfHeight, halfWidth));
    const Point3 direction = normalised({1.0, 0.75, -1.0});
    camera.position = {centre.x + direction.x * distance, centre.y + direction.y * distance, centre.z + direction.z * distance};
    return camera;
}

}  // namespace hostsim
