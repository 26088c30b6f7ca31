// The camera of the SVG pictures and its perspective projection. The scene's axes are the host's:
// X to the right, Y up, Z away from the viewer (left-handed); a camera at -Z looking at +Z sees +X on the right.
#pragma once

#include "hostsim/scene.h"

namespace hostsim {

struct Camera {
    Point3 position;
    Point3 lookAt;
    double fieldOfView = 0.8;  // vertical, in radians
};

// Where a point lands in a picture: x to the right and y down in pixels, depth along the line of sight
// from the camera. Points with a depth of 0 or less are behind the camera and have no place in the picture.
struct ScreenPoint {
    double x = 0.0;
    double y = 0.0;
    double depth = 0.0;
};

class Projection {
public:
    // A picture of width x height pixels, centred on the look-at point, with Y up on the screen
    // (Z up when the camera looks straight along Y). A camera at its look-at point looks along +Z.
    Projection(const Camera &camera, double width, double height);

    ScreenPoint project(const Point3 &point) const;
    const Point3 &eye() const { return eye_; }

private:
    Point3 eye_;
    Point3 right_;
    Point3 up_;
    Point3 forward_;
    double focal_;  // pixels per unit of sideways offset at depth 1
    double centreX_;
    double centreY_;
};

// A three-quarter view from the front, right and above that frames the box from `low` to `high` in a
// picture of the given width/height ratio. An empty or one-point box is framed as a box of size 2.
Camera framingCamera(const Point3 &low, const Point3 &high, double aspect);

}  // namespace hostsim
