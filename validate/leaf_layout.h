// Which points form which leaf, and where each leaf's pivot lies, worked out from the points a scan
// sees: leaf k is the run of leafPoints points from k * leafPoints, and its pivot follows the rule
// (host/vistrelle_contract.h's pivot rules; any other value acts as the first point).
#pragma once

#include "host/vistrelle_contract.h"
#include "validate/position_math.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace validate {

struct LeafRule {
    std::int32_t leafPoints = DEFAULT_LEAF_POINTS;
    std::int32_t pivotType = DEFAULT_PIVOT_TYPE;
};

// A run of points that a scan treats as one leaf. A run cut short by the end of the mesh is not
// whole.
struct LeafSpan {
    std::size_t first = 0;
    std::size_t count = 0;
    bool whole = true;
};

// The leaves of a mesh of `pointCount` points. With fewer than two points per leaf every point is a
// leaf of its own: its pivot is the point itself.
std::vector<LeafSpan> leafSpans(std::size_t pointCount, LeafRule rule);

// The pivot the scan reaches over `leaf` (a whole leaf, or the part of one where the mesh ends),
// with the same arithmetic as the scan so that the values agree to the bit.
Position rulePivot(std::span<const Position> leaf, LeafRule rule);

// The pivot of every leaf of `mesh`, the partial last one included, in leaf order.
std::vector<Position> scanPivots(std::span<const Position> mesh, LeafRule rule);

}  // namespace validate
