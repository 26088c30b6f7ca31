// The turns of a leaf, from its angles or while its angles are worked out.
#include "leaf/leaf_turns.h"

namespace vistrel {

namespace {

// The turns out of the frame, and the zero tests, from angles already stored in f.
void finishTurns(const LeafFrame &f, LeafTurns &r) {
    r.skipPitch = isNoTurn(-f.pitch);
    r.skipBank = isNoTurn(-f.bank);
    if (!r.skipBank) {
        r.intoX = turnBy(-f.bank);
        r.outX = turnBy(f.bank);
    }
    if (!r.skipPitch) r.outZ = turnBy(f.pitch);
    r.outY = turnBy(f.heading);
}

}  // namespace

LeafTurns turnsOf(const LeafFrame &f) {
    LeafTurns r;
    r.intoY = turnBy(-f.heading);
    finishTurns(f, r);
    if (!r.skipPitch) r.intoZ = turnBy(-f.pitch);
    return r;
}

// The arithmetic of computeAngles, step for step; rotateY(-heading) and rotateZ(-pitch) evaluate
// sin and cos of -(-heading) and -(-pitch), which are heading and pitch exactly.
LeafTurns computeAnglesAndTurns(LeafFrame &f) {
    const Vector3 &a0 = f.axis0;
    const Vector3 &a1 = f.axis1;
    f.heading = std::atan2(a0.z, a0.x);
    f.pitch = -std::atan2(a0.y, std::sqrt(a0.x * a0.x + a0.z * a0.z));
    const double ch = std::cos(f.heading);
    const double sh = std::sin(f.heading);
    const double cp = std::cos(f.pitch);
    const double sp = std::sin(f.pitch);
    f.bank = -std::atan2(ch * a1.z - sh * a1.x, sh * a1.z * sp + ch * a1.x * sp + cp * a1.y);
    LeafTurns r;
    r.intoY = {sh, ch};
    r.intoZ = {sp, cp};
    finishTurns(f, r);
    return r;
}

}  // namespace vistrel
