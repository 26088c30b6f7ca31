// LeafFrame: one leaf's axes, as the scan measured them, and the heading, pitch and bank that carry
// object space into the leaf's own frame (X along axis0, Y toward axis1, Z their normal).
#pragma once

#include "leaf/vector3.h"

namespace vistrel {

struct LeafFrame {
    Vector3 axis0;         // first axis; becomes the frame's X axis
    Vector3 axis1;         // second axis; the frame's XY plane holds it on the +Y side
    Vector3 axis2;         // third axis, the leaf's normal as measured; not read here
    double heading = 0.0;  // radians, turn about Y
    double pitch = 0.0;    // radians, turn about Z
    double bank = 0.0;     // radians, turn about X
};

// The sines and cosines of heading and pitch that the angles' arithmetic evaluates on the way to
// bank.
struct HeadingPitchTrig {
    double sinHeading, cosHeading, sinPitch, cosPitch;
};

// Sets heading, pitch and bank from axis0 and axis1 (an all-zero frame gives three zero angles),
// answering the sines and cosines of heading and pitch it evaluated.
HeadingPitchTrig computeAnglesKeepingTrig(LeafFrame &f);

}  // namespace vistrel
