#include "bench/floor_turn.h"

#include <cmath>

#include "bench/demo_scenes.h"

namespace bench {

namespace {

constexpr std::size_t leafPoints = 4;

struct Vec {
    double x, y, z;
};

Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Vec widened(const std::array<float, 3> &p) { return {p[0], p[1], p[2]}; }

// The three axis turns, each by -a, with their sines and cosines evaluated afresh; X and Z do no
// work for a zero angle.
inline Vec turnX(Vec v, double a) {
    if (!(a < 0.0 || a > 0.0)) return v;
    const double s = std::sin(-a), c = std::cos(-a);
    return {v.x, c * v.y - s * v.z, s * v.y + c * v.z};
}
inline Vec turnY(Vec v, double a) {
    const double s = std::sin(-a), c = std::cos(-a);
    return {s * v.z + c * v.x, v.y, c * v.z - s * v.x};
}
inline Vec turnZ(Vec v, double a) {
    if (!(a < 0.0 || a > 0.0)) return v;
    const double s = std::sin(-a), c = std::cos(-a);
    return {c * v.x - s * v.y, s * v.x + c * v.y, v.z};
}

using Leaf = FloorTurn::Leaf;

inline Vec pivotOf(const Leaf &f) { return {f.pivot[0], f.pivot[1], f.pivot[2]}; }
inline Vec intoLeaf(const Leaf &f, Vec v) { return turnX(turnZ(turnY(v - pivotOf(f), -f.heading), -f.pitch), -f.bank); }
inline Vec outOfLeaf(const Leaf &f, Vec v) { return turnY(turnZ(turnX(v, f.bank), f.pitch), f.heading) + pivotOf(f); }

// The floor for one point: p turned with its leaf so that the leaf faces t.
inline Vec turnPoint(const Leaf &f, Vec p, Vec t) {
    p = intoLeaf(f, p);
    t = intoLeaf(f, t);
    const double a = std::atan2(-t.y, std::sqrt(t.x * t.x + t.z * t.z));
    p = turnX(p, a);
    const double h = std::atan2(-t.x, -t.z);
    p = turnY(p, -h);
    return outOfLeaf(f, p);
}

// Heading, pitch and bank from the leaf's axes, as the module's first evaluate of the leaf finds them.
void computeAngles(Leaf &leaf) {
    const Vec axis0{leaf.axis0[0], leaf.axis0[1], leaf.axis0[2]};
    const Vec axis1{leaf.axis1[0], leaf.axis1[1], leaf.axis1[2]};
    leaf.heading = std::atan2(axis0.z, axis0.x);
    leaf.pitch = -std::atan2(axis0.y, std::sqrt(axis0.x * axis0.x + axis0.z * axis0.z));
    const double ch = std::cos(leaf.heading), sh = std::sin(leaf.heading);
    const double cp = std::cos(leaf.pitch), sp = std::sin(leaf.pitch);
    leaf.bank = -std::atan2(ch * axis1.z - sh * axis1.x, sh * axis1.z * sp + ch * axis1.x * sp + cp * axis1.y);
}

// A leaf measured as the module's scan measures it.
Leaf measureLeaf(std::span<const std::array<float, 3>> points) {
    const Vec pivot = widened(points[0]);
    const Vec edge = widened(points[1]) - pivot;
    Vec centre{0.0, 0.0, 0.0};
    for (std::size_t i = 1; i < leafPoints; ++i) centre = centre + widened(points[i]);
    const double divisor = static_cast<double>(leafPoints - 1);
    centre = {centre.x / divisor, centre.y / divisor, centre.z / divisor};
    const Vec axis1 = centre - pivot;
    const Vec axis2 = cross(axis1, edge);
    const Vec axis0 = cross(axis2, axis1);
    Leaf leaf{{pivot.x, pivot.y, pivot.z}, {axis0.x, axis0.y, axis0.z}, {axis1.x, axis1.y, axis1.z}, 0.0, 0.0, 0.0};
    computeAngles(leaf);
    return leaf;
}

Vec cameraAt(const hostsim::Scene &scene, std::int32_t frame) {
    const hostsim::Point3 camera = scene.items[cameraItem].motion.at(scene.frames.timeOf(frame));
    return {camera.x, camera.y, camera.z};
}

}  // namespace

FloorTurn::FloorTurn(const hostsim::Scene &scene) : scene_(scene) {
    const std::span<const std::array<float, 3>> points = scene.items.at(bushItem).mesh->points;
    for (std::size_t first = 0; first + leafPoints <= points.size(); first += leafPoints)
        leaves_.push_back(measureLeaf(points.subspan(first, leafPoints)));
}

void FloorTurn::playFrame(std::int32_t frame, std::span<std::array<double, 3>> out) const {
    const auto &points = scene_.items[bushItem].mesh->points;
    const Vec target = cameraAt(scene_, frame);
    for (std::size_t i = 0; i < leaves_.size() * leafPoints; ++i) {
        const Vec p = turnPoint(leaves_[i / leafPoints], widened(points[i]), target);
        out[i] = {p.x, p.y, p.z};
    }
}

void FloorTurn::playFrameWithLeafAngles(std::int32_t frame, std::span<std::array<double, 3>> out) const {
    const auto &points = scene_.items[bushItem].mesh->points;
    const Vec target = cameraAt(scene_, frame);
    for (std::size_t k = 0; k < leaves_.size(); ++k) {
        Leaf leaf = leaves_[k];
        computeAngles(leaf);
        for (std::size_t i = k * leafPoints; i < (k + 1) * leafPoints; ++i) {
            const Vec p = turnPoint(leaf, widened(points[i]), target);
            out[i] = {p.x, p.y, p.z};
        }
    }
}

}  // namespace bench
