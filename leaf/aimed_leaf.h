// AimedLeaf: everything a point of the leaf being turned needs, so that a point pays for its own
// arithmetic and nothing else. Taken up at the leaf's first evaluated point (its turns and pivot)
// and aimed again whenever the target's position changes bits: the target in the leaf's frame, the
// sines and cosines of the pitch and heading turns toward it, and the point turn that applies
// exactly the turns that do work, chosen from sixteen specialised ones.
#pragma once

#include <cstdint>
#include <cstring>

#include "leaf/leaf_turns.h"
#include "leaf/vector3.h"

namespace vistrel {

struct AimedLeaf;

// Turns one point's position (three doubles, the host's) in place; leaves it as it was when the
// result is not finite.
using PointTurn = void (*)(const AimedLeaf &aim, double *position);

struct AimedLeaf {
    std::int32_t leaf = -1;            // the leaf taken up; -1: none
    bool aimed = false;                // target, pitch, heading and turnPoint hold
    const LeafTurns *turns = nullptr;  // the leaf's frame turns
    Vector3 pivot;                     // the leaf's pivot
    Vector3 target;                    // the target's position aimed at, as the host wrote it
    double asked[3] = {};              // the target's position the host wrote for this point
    Turn pitch;                        // turn by the pitch angle about X
    Turn heading;                      // turn by minus the heading angle about Y
    PointTurn turnPoint = nullptr;

    // Nothing kept: the next point takes up its leaf anew. Called whenever what a kept value was
    // worked out from may have changed (a scan, new arrays, any setting).
    void forget() { leaf = -1; }

    void takeUp(std::int32_t leafIndex, const LeafTurns &leafTurns, const Vector3 &leafPivot) {
        leaf = leafIndex;
        turns = &leafTurns;
        pivot = leafPivot;
        aimed = false;
    }

    // The position the host wrote for this point has the bits of the one the leaf is aimed at.
    bool aimedAtAsked() const {
        static_assert(sizeof target == sizeof asked);
        return aimed && std::memcmp(&target, asked, sizeof asked) == 0;
    }

    // Aims the taken-up leaf at the position asked, with the alignments given.
    void aimAtAsked(bool pitchAlign, bool headingAlign);
};

}  // namespace vistrel
