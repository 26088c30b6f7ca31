// Which side of a leaf the module turns toward the target. The module measures each leaf's axes
// from its pivot, the mean of its points after the first, and its first edge; it turns the leaf so
// that the leaf's local -Z points at the target. The same measure here tells pictures and the
// viewer which side of a card is the "facing" one and which the "far" one.
#pragma once

#include <cstdint>
#include <span>

#include "hostsim/scene.h"

namespace formats {

using hostsim::Point3;

// The leaf's local -Z direction, not normalised: (centre - pivot) x (first edge), with the pivot
// chosen by `pivotRule` as the module does (1: mean of the first two points, 2: mean of the first
// and last, 3: the last; any other value: the first point). Zero for a leaf of fewer than two
// points or one whose points are all in a line. For a flat card pivoting on its first point this is
// the side that its right-hand-rule normal points away from: a card wound counter-clockwise from
// its front (as OBJ and glTF wind them) faces the target with its back.
Point3 facingDirection(std::span<const Point3> leaf, std::int32_t pivotRule);

}  // namespace formats
