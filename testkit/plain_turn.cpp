#include "testkit/plain_turn.h"

#include <cmath>

namespace testkit {

Vector3 rotateX(const Vector3 &v, double a) {
    if (vistrel::isNoTurn(a)) return v;
    const double t = -a;
    const double s = std::sin(t);
    const double c = std::cos(t);
    return {v.x, c * v.y - s * v.z, s * v.y + c * v.z};
}

Vector3 rotateY(const Vector3 &v, double a) {
    const double t = -a;
    const double s = std::sin(t);
    const double c = std::cos(t);
    return {s * v.z + c * v.x, v.y, c * v.z - s * v.x};
}

Vector3 rotateZ(const Vector3 &v, double a) {
    if (vistrel::isNoTurn(a)) return v;
    const double t = -a;
    const double s = std::sin(t);
    const double c = std::cos(t);
    return {c * v.x - s * v.y, s * v.x + c * v.y, v.z};
}

void computeAngles(LeafFrame &f) {
    const Vector3 &a0 = f.axis0;
    const Vector3 &a1 = f.axis1;
    f.heading = std::atan2(a0.z, a0.x);
    f.pitch = -std::atan2(a0.y, std::sqrt(a0.x * a0.x + a0.z * a0.z));
    const double ch = std::cos(f.heading);
    const double sh = std::sin(f.heading);
    const double cp = std::cos(f.pitch);
    const double sp = std::sin(f.pitch);
    f.bank = -std::atan2(ch * a1.z - sh * a1.x, sh * a1.z * sp + ch * a1.x * sp + cp * a1.y);
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

Vector3 plainTurn(const LeafFrame &f, const Vector3 &o, Vector3 p, Vector3 t, bool heading,
                  bool pitch) {
    toLeafFrame(f, {&p, 1}, o);
    toLeafFrame(f, {&t, 1}, o);
    if (pitch) p = rotateX(p, std::atan2(-t.y, std::sqrt(t.x * t.x + t.z * t.z)));
    if (heading) p = rotateY(p, -std::atan2(-t.x, -t.z));
    fromLeafFrame(f, {&p, 1}, o);
    return p;
}

}  // namespace testkit
