// The stand-in host's own work in a frame of `vistrelle run`, with the module doing nothing: the
// host's evaluate loop (PointAccess set-up, the call, keeping the positions) over an instance whose
// leaves are used up, so that every call returns at once, plus the services the module asks for in
// a real frame: one camera position per point, and the mesh walk with every point's position.
#pragma once

#include <cstddef>
#include <cstdint>

#include "hostsim/host.h"

namespace bench {

class HostWork {
  public:
    HostWork(const std::filesystem::path &module, const hostsim::Scene &scene);

    // The host's work of one frame at `frame`; the number of positions it kept.
    std::size_t playFrame(std::int32_t frame);

    // The host's part of the module's scan alone: the mesh walk with every point's position
    // fetched.
    void walkMesh();

    // The target queries of a frame alone: the camera's position at `frame`, asked once per point.
    void askTarget(std::int32_t frame);

  private:
    hostsim::Host host_;
    void *instance_;
    MeshHandle *mesh_;
    ItemId camera_;
    std::size_t points_;
};

}  // namespace bench
