// Every point the run shows, framed once.
#include "cli/steady_camera.h"

#include <cmath>
#include <vector>

namespace cli {

formats::Camera steadyCamera(const hostsim::Mesh &mesh, std::span<const hostsim::Point3> alsoShown,
                             double aspect) {
    std::vector<hostsim::Point3> shown;
    shown.reserve(mesh.points.size() + alsoShown.size());
    for (const auto &p : mesh.points) shown.push_back(hostsim::toPoint3(p));
    shown.insert(shown.end(), alsoShown.begin(), alsoShown.end());
    // The framing needs finite points; a point that is not is left out of the picture anyway.
    std::erase_if(shown, [](const hostsim::Point3 &p) {
        return !std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z);
    });
    return formats::framingCamera(shown, aspect);
}

std::vector<hostsim::Point3> pathCorners(const hostsim::Motion &motion, double firstTime,
                                         double lastTime) {
    std::vector<hostsim::Point3> corners{motion.at(firstTime), motion.at(lastTime)};
    for (const hostsim::PositionKey &key : motion.keys)
        if (key.time > firstTime && key.time < lastTime) corners.push_back(key.position);
    return corners;
}

}  // namespace cli
