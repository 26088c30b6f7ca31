// TargetTurns: the target as one leaf sees it, kept while neither the target's position (to the
// bit) nor the leaf changes: its leaf-frame coordinates and the sines and cosines of the pitch and
// heading turns toward it. Each turn is worked out the first time a point needs it.
#pragma once

#include <cstdint>
#include <cstring>

#include "leaf/leaf_turns.h"
#include "leaf/vector3.h"

namespace vistrel {

struct TargetTurns {
    std::int32_t leaf = -1;  // the leaf these belong to; -1: nothing kept
    Vector3 position;        // the target's position as the host gave it, the key
    Vector3 inLeaf;          // that position in the leaf's frame, relative to its pivot
    bool pitchKnown = false;
    bool headingKnown = false;
    bool skipPitch = true;  // the pitch angle is +-0 or NaN: rotateX does nothing
    Turn pitch;             // rotateX(p, a)
    Turn heading;           // rotateY(p, -h)

    void forget() { leaf = -1; }

    // Keeps `target` as seen from `leaf` (turns r, pivot o), unless that is what is kept already.
    // The target comes as the host wrote it, three doubles, compared bit for bit as they stand.
    void aim(std::int32_t leafIndex, const double (&target)[3], const LeafTurns &r,
             const Vector3 &o) {
        static_assert(sizeof position == sizeof target);
        if (leaf == leafIndex && std::memcmp(&position, target, sizeof target) == 0) return;
        leaf = leafIndex;
        position = {target[0], target[1], target[2]};
        inLeaf = intoLeaf(r, position, o);
        pitchKnown = false;
        headingKnown = false;
    }

    // p turned by the pitch toward the kept target: a = atan2(-t.y, sqrt(t.x^2 + t.z^2)).
    Vector3 pitchTurned(const Vector3 &p) {
        if (!pitchKnown) {
            const Vector3 &t = inLeaf;
            const double a = std::atan2(-t.y, std::sqrt(t.x * t.x + t.z * t.z));
            skipPitch = isNoTurn(a);
            if (!skipPitch) pitch = turnBy(a);
            pitchKnown = true;
        }
        return skipPitch ? p : turnedX(p, pitch);
    }

    // p turned by the heading toward the kept target: h = atan2(-t.x, -t.z), then rotateY(p, -h).
    Vector3 headingTurned(const Vector3 &p) {
        if (!headingKnown) {
            const double h = std::atan2(-inLeaf.x, -inLeaf.z);
            heading = turnBy(-h);
            headingKnown = true;
        }
        return turnedY(p, heading);
    }
};

}  // namespace vistrel
