#include "bench/matrix_peer.h"

#include <cmath>

#include "bench/demo_scenes.h"

namespace bench {

namespace {

constexpr std::size_t leafPoints = 4;
using V = std::array<double, 3>;
using M = MatrixPeer::Matrix;

V sub(const V &a, const V &b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
V cross(const V &a, const V &b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
V unit(const V &v) {
    const double n = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    return n > 0.0 ? V{v[0] / n, v[1] / n, v[2] / n} : V{0.0, 0.0, 0.0};
}
V turned(const M &m, const V &v) {
    return {m[0][0] * v[0] + m[0][1] * v[1] + m[0][2] * v[2],
            m[1][0] * v[0] + m[1][1] * v[1] + m[1][2] * v[2],
            m[2][0] * v[0] + m[2][1] * v[1] + m[2][2] * v[2]};
}
M product(const M &a, const M &b) {
    M m{};
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j)
            m[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j];
    return m;
}
M transposed(const M &a) {
    return {
        {{a[0][0], a[1][0], a[2][0]}, {a[0][1], a[1][1], a[2][1]}, {a[0][2], a[1][2], a[2][2]}}};
}
V widened(const std::array<float, 3> &p) { return {p[0], p[1], p[2]}; }

MatrixPeer::Leaf measureLeaf(std::span<const std::array<float, 3>> points) {
    const V pivot = widened(points[0]);
    const V edge = sub(widened(points[1]), pivot);
    V centre{0.0, 0.0, 0.0};
    for (std::size_t i = 1; i < leafPoints; ++i)
        for (std::size_t k = 0; k < 3; ++k) centre[k] += points[i][k];
    for (double &c : centre) c /= static_cast<double>(leafPoints - 1);
    const V axis1 = sub(centre, pivot);
    const V axis0 = cross(cross(axis1, edge), axis1);
    const V x = unit(axis0), z = unit(cross(axis0, axis1)), y = cross(z, x);
    return {pivot, {x, y, z}};
}

}  // namespace

MatrixPeer::MatrixPeer(const hostsim::Scene &scene) : scene_(scene) {
    const std::span<const std::array<float, 3>> points = scene.items.at(bushItem).mesh->points;
    for (std::size_t first = 0; first + leafPoints <= points.size(); first += leafPoints)
        leaves_.push_back(measureLeaf(points.subspan(first, leafPoints)));
}

void MatrixPeer::playFrame(std::int32_t frame, std::span<hostsim::Position> out) const {
    const auto &points = scene_.items[bushItem].mesh->points;
    const hostsim::Point3 camera = scene_.items[cameraItem].motion.at(scene_.frames.timeOf(frame));
    const V target{camera.x, camera.y, camera.z};
    for (std::size_t k = 0; k < leaves_.size(); ++k) {
        const Leaf &leaf = leaves_[k];
        // The target in the leaf frame; the turns that bring the leaf's -Z round to face it.
        const V t = turned(leaf.frame, sub(target, leaf.pivot));
        const double flat = std::sqrt(t[0] * t[0] + t[2] * t[2]);
        const double length = std::sqrt(flat * flat + t[1] * t[1]);
        const double ca = length > 0.0 ? flat / length : 1.0,
                     sa = length > 0.0 ? -t[1] / length : 0.0;
        const double ch = flat > 0.0 ? -t[2] / flat : 1.0, sh = flat > 0.0 ? -t[0] / flat : 0.0;
        const M pitch{{{1.0, 0.0, 0.0}, {0.0, ca, sa}, {0.0, -sa, ca}}};
        const M heading{{{ch, 0.0, sh}, {0.0, 1.0, 0.0}, {-sh, 0.0, ch}}};
        const M turn =
            product(transposed(leaf.frame), product(heading, product(pitch, leaf.frame)));
        for (std::size_t i = k * leafPoints; i < (k + 1) * leafPoints; ++i) {
            const V p = turned(turn, sub(widened(points[i]), leaf.pivot));
            out[i] = {p[0] + leaf.pivot[0], p[1] + leaf.pivot[1], p[2] + leaf.pivot[2]};
        }
    }
}

}  // namespace bench
