// The leaf frame's angles from its axes.
#include "leaf/leaf_frame.h"

#include <cmath>

#include "leaf/sine_cosine.h"

namespace vistrel {

HeadingPitchTrig computeAnglesKeepingTrig(LeafFrame &f) {
    const Vector3 &a0 = f.axis0;
    const Vector3 &a1 = f.axis1;
    f.heading = std::atan2(a0.z, a0.x);
    f.pitch = -std::atan2(a0.y, std::sqrt(a0.x * a0.x + a0.z * a0.z));
    const SineCosine h = sineCosine(f.heading);
    const SineCosine p = sineCosine(f.pitch);
    // The z and y of axis1 after the heading and pitch steps into the frame.
    f.bank = -std::atan2(h.c * a1.z - h.s * a1.x, h.s * a1.z * p.s + h.c * a1.x * p.s + p.c * a1.y);
    return {h.s, h.c, p.s, p.c};
}

}  // namespace vistrel
