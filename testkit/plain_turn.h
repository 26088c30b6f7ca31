// The plain leaf operations the module's turned positions must equal bit for bit: each rotation
// evaluates its own sine and cosine, each angle is worked out from the axes afresh, nothing is kept
// from one call to the next. The module ships only its fused arithmetic; these are what the tests,
// the benchmarks and the reference figures measure it against.
//
// Every axis rotation turns by the negated angle in the right-handed sense. rotateX and rotateZ
// return the input untouched for a zero angle of either sign and for NaN, which does not compare as
// different from zero; rotateY is always computed.
#pragma once

#include <span>

#include "leaf/leaf_frame.h"
#include "leaf/vector3.h"

namespace testkit {

using vistrel::LeafFrame;
using vistrel::Vector3;

Vector3 rotateX(const Vector3 &v, double a);
Vector3 rotateY(const Vector3 &v, double a);
Vector3 rotateZ(const Vector3 &v, double a);

// Sets heading, pitch and bank from axis0 and axis1. An all-zero frame gives three zero angles.
void computeAngles(LeafFrame &f);

// Replaces each point by its coordinates in the leaf frame, relative to the offset o.
void toLeafFrame(const LeafFrame &f, std::span<Vector3> points, Vector3 o);

// Undoes toLeafFrame with the same frame and offset, up to rounding.
void fromLeafFrame(const LeafFrame &f, std::span<Vector3> points, Vector3 o);

// One point turned toward the target t with its leaf (frame f, pivot o), as evaluate specifies it:
// p and t into the frame, the pitch turn when `pitch`, the heading turn when `heading`, back out.
Vector3 plainTurn(const LeafFrame &f, const Vector3 &o, Vector3 p, Vector3 t, bool heading,
                  bool pitch);

}  // namespace testkit
