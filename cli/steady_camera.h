// One camera for every picture of an object, so that an animation of its frames does not jump.
#pragma once

#include "hostsim/scene.h"
#include "hostsim/svg_camera.h"

#include <span>

namespace vistrelle {

// The framing camera of the mesh's points and `alsoShown` (e.g. every place the
// target takes during the run), for pictures of the given width/height ratio.
hostsim::Camera steadyCamera(const hostsim::Mesh &mesh, std::span<const hostsim::Point3> alsoShown, double aspect);

}  // namespace vistrelle
