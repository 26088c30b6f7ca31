// The leaf frame: angles from axes, and the transforms into and out of the frame.
#include "leaf/leaf_frame.h"

#include <cmath>

namespace vistrel {

void computeAngles(LeafFrame &f) { computeAnglesKeepingTrig(f); }

HeadingPitchTrig computeAnglesKeepingTrig(LeafFrame &f) {
    const Vector3 &a0 = f.axis0;
    const Vector3 &a1 = f.axis1;
    f.heading = std::atan2(a0.z, a0.x);
    f.pitch = -std::atan2(a0.y, std::sqrt(a0.x * a0.x + a0.z * a0.z));
    const double ch = std::cos(f.heading);
    const double sh = std::sin(f.heading);
    const double cp = std::cos(f.pitch);
    const double sp = std::sin(f.pitch);
    // The z and y of axis1 after the heading and pitch steps of toLeafFrame.
    f.bank = -std::atan2(ch * a1.z - sh * a1.x, sh * a1.z * sp + ch * a1.x * sp + cp * a1.y);
    return {sh, ch, sp, cp};
}

void toLeafFrame(const LeafFrame &f, std::span<Vector3> points, Vector3 o) {
    for (Vector3 &v : points) {
        v = v - o;
        v = rotateY(v, -f.heading);
        v = rotateZ(v, -f.pitch);
        v = rotateX(v, -f.bank);
    }
}

void fromLeafFrame(const LeafFrame &f, std::span<Vector3> points, Vector3 o) {
    for (Vector3 &v : points) {
        v = rotateX(v, f.bank);
        v = rotateZ(v, f.pitch);
        v = rotateY(v, f.heading);
        v = v + o;
    }
}

}  // namespace vistrel
