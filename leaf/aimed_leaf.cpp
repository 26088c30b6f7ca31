#include "leaf/aimed_leaf.h"

#include <cmath>

namespace vistrel {

namespace {

// The point's way into the leaf frame, the pitch and heading turns toward the target and the way
// back, each step compiled in only where it does work: a frame turn about Z or X is left out for a
// zero or NaN angle, exactly where the plain operations leave it out.
template <bool framePitch, bool frameBank, bool aimPitch, bool aimHeading>
void turnPointWith(const AimedLeaf &aim, double *position) {
    const LeafTurns &r = *aim.turns;
    const Vector3 &o = aim.pivot;
    Vector3 v{position[0] - o.x, position[1] - o.y, position[2] - o.z};
    v = turnedY(v, r.intoY);
    if constexpr (framePitch) v = turnedZ(v, r.intoZ);
    if constexpr (frameBank) v = turnedX(v, r.intoX);
    if constexpr (aimPitch) v = turnedX(v, aim.pitch);
    if constexpr (aimHeading) v = turnedY(v, aim.heading);
    if constexpr (frameBank) v = turnedX(v, r.outX);
    if constexpr (framePitch) v = turnedZ(v, r.outZ);
    v = turnedY(v, r.outY);
    v = v + o;
    if (!isFinite(v)) return;
    position[0] = v.x;
    position[1] = v.y;
    position[2] = v.z;
}

// Indexed by framePitch + 2 frameBank + 4 aimPitch + 8 aimHeading.
constexpr PointTurn pointTurnFor[16] = {
    turnPointWith<false, false, false, false>, turnPointWith<true, false, false, false>,
    turnPointWith<false, true, false, false>,  turnPointWith<true, true, false, false>,
    turnPointWith<false, false, true, false>,  turnPointWith<true, false, true, false>,
    turnPointWith<false, true, true, false>,   turnPointWith<true, true, true, false>,
    turnPointWith<false, false, false, true>,  turnPointWith<true, false, false, true>,
    turnPointWith<false, true, false, true>,   turnPointWith<true, true, false, true>,
    turnPointWith<false, false, true, true>,   turnPointWith<true, false, true, true>,
    turnPointWith<false, true, true, true>,    turnPointWith<true, true, true, true>,
};

}  // namespace

void AimedLeaf::aimAtAsked(bool pitchAlign, bool headingAlign) {
    const LeafTurns &r = *turns;
    target = {asked[0], asked[1], asked[2]};
    const Vector3 inLeaf = intoLeaf(r, target, pivot);
    bool pitchTurns = false;
    if (pitchAlign) {
        // a = atan2(-t.y, sqrt(t.x^2 + t.z^2)); a turn by a zero or NaN angle does nothing.
        const double a =
            std::atan2(-inLeaf.y, std::sqrt(inLeaf.x * inLeaf.x + inLeaf.z * inLeaf.z));
        pitchTurns = !isNoTurn(a);
        if (pitchTurns) pitch = turnBy(a);
    }
    // h = atan2(-t.x, -t.z), turned by -h.
    if (headingAlign) heading = turnBy(-std::atan2(-inLeaf.x, -inLeaf.z));
    const unsigned k = (r.skipPitch ? 0u : 1u) + (r.skipBank ? 0u : 2u) + (pitchTurns ? 4u : 0u) +
                       (headingAlign ? 8u : 0u);
    turnPoint = pointTurnFor[k];
    aimed = true;
}

}  // namespace vistrel
