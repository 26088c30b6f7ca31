// The PointAccess the stand-in host hands to evaluate for one point, filled in one place: both
// positions at the mesh point, its index as the point id, the object's mesh handle. Every field is
// written, so that one record serves a whole pass whatever the previous call left in it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "host/point_access.h"
#include "hostsim/point3.h"

namespace hostsim {

inline void fillPointAccess(PointAccess &access, const std::array<float, 3> &point,
                            std::size_t index, MeshHandle *mesh) {
    for (std::size_t axis = 0; axis < 3; ++axis)
        access.basePosition[axis] = access.position[axis] = point[axis];
    access.pointId = static_cast<std::uint32_t>(index);
    access.mesh = mesh;
}

// The position evaluate left in the record.
inline Position positionOf(const PointAccess &access) {
    return {access.position[0], access.position[1], access.position[2]};
}

}  // namespace hostsim
