// The PointAccess the stand-in host hands to evaluate for one point, filled in one place: both
// positions at the mesh point, its index as the point id, the object's mesh handle. Every field is
// written, so that one record serves a whole pass whatever the previous call left in it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "host/handler_binding.h"
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

// The host's evaluate loop over one object's points, out.size() of them from the first: one record
// for every point, each field filled anew, and the position evaluate left in it handed back into
// `out`. What stays the same over the pass is read once, before the loop.
inline void evaluatePoints(decltype(HandlerBinding::evaluate) evaluate, void *instance,
                           MeshHandle *mesh, const std::array<float, 3> *points,
                           std::span<Position> out) {
    PointAccess access{};
    Position *const to = out.data();
    const std::size_t count = out.size();
    for (std::size_t i = 0; i < count; ++i) {
        // One widening and two stores a coordinate: packing them into vector registers first, as
        // the vectorizer would, takes more instructions than it saves here.
        for (std::size_t axis = 0; axis < 3; ++axis) {
            access.basePosition[axis] = access.position[axis] = points[i][axis];
            asm("" ::: "memory");
        }
        access.pointId = static_cast<std::uint32_t>(i);
        access.mesh = mesh;
        evaluate(instance, &access);
        to[i] = positionOf(access);
    }
}

}  // namespace hostsim
