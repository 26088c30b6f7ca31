// The checks made on the positions evaluate hands back. Every point comes back either unchanged
// (bit for bit) or turned rigidly about its leaf's pivot: finite, at the same distance from the
// pivot as before, and at the same distances from the other points of its leaf. A violation throws
// ValidationFailure naming the point.
#pragma once

#include "validate/leaf_layout.h"
#include "validate/position_math.h"

#include <cstddef>
#include <span>

namespace validate {

// Relative tolerance of every distance comparison: double arithmetic through a few rotations loses
// far less, while a move that is not a rotation changes distances far more.
inline constexpr double distanceTolerance = 1e-9;

struct PassTally {
    std::size_t evaluated = 0;
    std::size_t turned = 0;  // handed back changed

    PassTally &operator+=(const PassTally &other) {
        evaluated += other.evaluated;
        turned += other.turned;
        return *this;
    }
};

// Checks one leaf: `before` are the positions given to evaluate, `after` those handed back, `first`
// the index of the leaf's first point (for messages), `pivot` the leaf's pivot. Points with a
// non-finite position must come back unchanged, and so must the whole leaf when its pivot is not
// finite.
PassTally checkLeaf(std::span<const Position> before, std::span<const Position> after,
                    std::size_t first, const Position &pivot);

// Checks a pass that followed newTime, every point evaluated once in order at its mesh position
// (`before`, as the scan saw them). Whole leaves are checked about the pivot their rule gives. The
// points after the last whole leaf must come back unchanged, unless `tailMayTurn` (the leaf count
// may be out of step with the leaf size): then they may turn about the pivot their partial leaf
// reached.
PassTally checkFramePass(std::span<const Position> before, std::span<const Position> after,
                         LeafRule rule, bool tailMayTurn);

enum class PointVerdict { unchanged, turned };

// Checks one point evaluated outside such a pass, where its leaf is not known for sure: unchanged,
// or finite and as far from one of `pivots` as before. `likely` is tried first (may be null).
PointVerdict checkTurnedPoint(const Position &before, const Position &after,
                              std::span<const Position> pivots, const Position *likely);

}  // namespace validate
