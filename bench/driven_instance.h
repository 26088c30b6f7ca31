// The built vistrel.p, loaded and activated by the stand-in host, with the one displacement of the
// demo scene, driven frame by frame through the entries the activation wrote into the host's
// tables: newTime, then evaluate for every point with a PointAccess as a host fills it. The host's
// services that the module calls (the camera's position at every point, the mesh walk and each
// point's position during the scan) are the stand-in host's own.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "hostsim/host.h"

namespace bench {

class DrivenInstance {
  public:
    DrivenInstance(const std::filesystem::path &module, const hostsim::Scene &scene);

    // newTime at `frame`, then every point evaluated in order; the positions handed back go to
    // `out`.
    void playFrame(std::int32_t frame, std::span<hostsim::Position> out);

    // newTime at `frame` and the first evaluate of the pass, which has the host walk the whole mesh
    // through the module's scan before it turns its own point. That point's position.
    std::array<double, 3> scanFrame(std::int32_t frame);

    std::size_t points() const { return points_.size(); }

  private:
    std::array<double, 3> evaluatePoint(std::size_t index);

    hostsim::Host host_;
    void *instance_;
    MeshHandle *mesh_;
    const std::vector<std::array<float, 3>> &points_;
    decltype(RenderOps::newTime) newTime_;
    decltype(HandlerBinding::evaluate) evaluate_;
};

}  // namespace bench
