// LeafTurns: the sines and cosines of one leaf's six frame rotations (three into the frame, three
// out), worked out once when the leaf's angles are, so that every point of the leaf reuses them.
//
// Each Turn holds exactly what a turn by an angle a evaluates (t = -a, then sin t and cos t), and
// the turned* functions apply them with the products and sums of a turn about X, Y or Z in their
// order, so intoLeaf and outOfLeaf are the leaf frame's way in and out, bit for bit. Nothing
// assumes that sin(-x) is -sin(x): the turns out of the frame are evaluated for their own angles.
#pragma once

#include <cstdint>
#include <cstring>

#include "leaf/leaf_frame.h"
#include "leaf/sine_cosine.h"
#include "leaf/vector3.h"

namespace vistrel {

// The sine and cosine a turn by `a` evaluates.
struct Turn {
    double s = 0.0;
    double c = 1.0;
};

inline Turn turnBy(double a) {
    const SineCosine t = sineCosine(-a);
    return {t.s, t.c};
}

// Turns about X, Y and Z with their sine and cosine given; no test for a zero angle here.
inline Vector3 turnedX(const Vector3 &v, Turn r) {
    return {v.x, r.c * v.y - r.s * v.z, r.s * v.y + r.c * v.z};
}
inline Vector3 turnedY(const Vector3 &v, Turn r) {
    return {r.s * v.z + r.c * v.x, v.y, r.c * v.z - r.s * v.x};
}
inline Vector3 turnedZ(const Vector3 &v, Turn r) {
    return {r.c * v.x - r.s * v.y, r.s * v.x + r.c * v.y, v.z};
}

// How far a leaf's turns can be trusted.
enum class TurnsState : std::uint8_t {
    unset,    // never worked out since the arrays were made
    stale,    // match the frame's angles, but the scan has since given the leaf other axes
    current,  // match the frame's angles, which its axes would give again
};

struct LeafTurns {
    Turn intoY, intoZ, intoX;  // turns by -heading about Y, -pitch about Z, -bank about X
    Turn outX, outZ, outY;     // turns by bank about X, pitch about Z, heading about Y
    bool skipPitch = true;     // pitch is +-0 or NaN: the turn about Z does nothing either way
    bool skipBank = true;      // bank is +-0 or NaN: the turn about X does nothing either way
    TurnsState state = TurnsState::unset;
};

// The turns of f's angles as they stand.
LeafTurns turnsOf(const LeafFrame &f);

// f's angles worked out from its axes, keeping the sines and cosines of heading and pitch evaluated
// on the way, and the turns of the new angles.
LeafTurns computeAnglesAndTurns(LeafFrame &f);

// One point into the leaf's frame relative to its pivot o, and back out, with the leaf's turns.
inline Vector3 intoLeaf(const LeafTurns &r, Vector3 v, const Vector3 &o) {
    v = v - o;
    v = turnedY(v, r.intoY);
    if (!r.skipPitch) v = turnedZ(v, r.intoZ);
    if (!r.skipBank) v = turnedX(v, r.intoX);
    return v;
}

inline Vector3 outOfLeaf(const LeafTurns &r, Vector3 v, const Vector3 &o) {
    if (!r.skipBank) v = turnedX(v, r.outX);
    if (!r.skipPitch) v = turnedZ(v, r.outZ);
    v = turnedY(v, r.outY);
    return v + o;
}

// Same bits in every coordinate (so -0 differs from 0, and a NaN equals the same NaN).
inline bool sameBits(const Vector3 &a, const Vector3 &b) {
    return std::memcmp(&a, &b, sizeof(Vector3)) == 0;
}

}  // namespace vistrel
