// One camera for every picture of an object, so that an animation of its frames does not jump.
#pragma once

#include "formats/svg_camera.h"
#include "hostsim/scene.h"

#include <span>
#include <vector>

namespace cli {

// The framing camera of the mesh's points and `alsoShown` (e.g. every place the
// target takes during the run), for pictures of the given width/height ratio.
formats::Camera steadyCamera(const hostsim::Mesh &mesh, std::span<const hostsim::Point3> alsoShown,
                             double aspect);

// The places a motion takes from `firstTime` to `lastTime`: where it is at both ends and at each
// key in between. The path is straight between keys, so these span every place it passes, however
// many frames the run has (the framing needs no point per frame).
std::vector<hostsim::Point3> pathCorners(const hostsim::Motion &motion, double firstTime,
                                         double lastTime);

}  // namespace cli
