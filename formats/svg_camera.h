// The camera of the SVG pictures and its perspective projection. The scene's axes are the host's:
// X to the right, Y up, Z away from the viewer (left-handed); a camera at -Z looking at +Z sees +X
// on the right.
#pragma once

#include <span>

#include "hostsim/scene.h"

namespace formats {

using hostsim::Point3;

struct Camera {
    Point3 position;
    Point3 lookAt;
    double fieldOfView = 0.8;  // vertical, in radians
};

// Where a point lands in a picture: x to the right and y down in pixels, depth along the line of
// sight from the camera. Points with a depth of 0 or less are behind the camera and have no place
// in the picture.
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
    // The camera's unit axes in the scene: to the right of the picture, up in it, and into it.
    const Point3 &right() const { return right_; }
    const Point3 &up() const { return up_; }
    const Point3 &forward() const { return forward_; }

  private:
    Point3 eye_;
    Point3 right_;
    Point3 up_;
    Point3 forward_;
    double focal_;  // pixels per unit of sideways offset at depth 1
    double centreX_;
    double centreY_;
};

// A three-quarter view from the front, right and above, looking at the middle of the points'
// bounding box from the nearest distance at which all of them fit, with a small margin, into a
// picture of the given width/height ratio. The points must be finite; none or one is seen from 3
// units away.
Camera framingCamera(std::span<const Point3> points, double aspect);

}  // namespace formats
