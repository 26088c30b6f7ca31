// The per-point displacement: turns each point with its leaf, about the leaf's pivot, toward the
// target.
#pragma once

#include "host/point_access.h"

namespace vistrel {

// Called once per point, in mesh order, after newTime. The first call of a pass measures every
// leaf; each call then turns its point so that the leaf's -Z side faces the target (pitch about the
// leaf's X axis, heading about its Y axis). Points of no whole leaf, with no target, or whose
// result would not be finite are handed back unchanged, as is every point while access->mesh is
// null (the leaves cannot be measured). With a target chosen, asks the host for its position
// (itemParam) once per point.
void evaluate(void *instance, PointAccess *access);

}  // namespace vistrel
