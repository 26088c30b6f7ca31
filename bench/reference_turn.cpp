#include "bench/reference_turn.h"

#include <cmath>

#include "bench/demo_scenes.h"
#include "testkit/plain_turn.h"

namespace bench {

namespace {

constexpr std::size_t leafPoints = 4;

using vistrel::LeafFrame;
using vistrel::Vector3;
using Leaf = ReferenceTurn::Leaf;

Vector3 widened(const std::array<float, 3> &p) { return {p[0], p[1], p[2]}; }

// The reference for one point: p turned with its leaf so that the leaf faces t, by the leaf
// operations themselves, each evaluating its own sines and cosines.
inline Vector3 turnPoint(const Leaf &leaf, Vector3 p, Vector3 t) {
    return testkit::plainTurn(leaf.frame, leaf.pivot, p, t, true, true);
}

// A leaf measured as the module's scan measures it (pivot rule "first point"), its angles worked
// out.
Leaf measureLeaf(std::span<const std::array<float, 3>> points) {
    const Vector3 pivot = widened(points[0]);
    const Vector3 edge = widened(points[1]) - pivot;
    Vector3 centre;
    for (std::size_t i = 1; i < leafPoints; ++i) centre = centre + widened(points[i]);
    centre = centre / static_cast<double>(leafPoints - 1);
    Leaf leaf;
    leaf.pivot = pivot;
    leaf.frame.axis1 = centre - pivot;
    leaf.frame.axis2 = vistrel::cross(leaf.frame.axis1, edge);
    leaf.frame.axis0 = vistrel::cross(leaf.frame.axis2, leaf.frame.axis1);
    testkit::computeAngles(leaf.frame);
    return leaf;
}

Vector3 cameraAt(const hostsim::Scene &scene, std::int32_t frame) {
    const hostsim::Point3 camera = scene.items[cameraItem].motion.at(scene.frames.timeOf(frame));
    return {camera.x, camera.y, camera.z};
}

}  // namespace

ReferenceTurn::ReferenceTurn(const hostsim::Scene &scene) : scene_(scene) {
    const std::span<const std::array<float, 3>> points = scene.items.at(bushItem).mesh->points;
    for (std::size_t first = 0; first + leafPoints <= points.size(); first += leafPoints)
        leaves_.push_back(measureLeaf(points.subspan(first, leafPoints)));
}

void ReferenceTurn::playFrame(std::int32_t frame, std::span<hostsim::Position> out) const {
    const auto &points = scene_.items[bushItem].mesh->points;
    const Vector3 target = cameraAt(scene_, frame);
    for (std::size_t i = 0; i < leaves_.size() * leafPoints; ++i) {
        const Vector3 p = turnPoint(leaves_[i / leafPoints], widened(points[i]), target);
        out[i] = {p.x, p.y, p.z};
    }
}

void ReferenceTurn::playFrameWithLeafAngles(std::int32_t frame,
                                            std::span<hostsim::Position> out) const {
    const auto &points = scene_.items[bushItem].mesh->points;
    const Vector3 target = cameraAt(scene_, frame);
    for (std::size_t k = 0; k < leaves_.size(); ++k) {
        Leaf leaf = leaves_[k];
        testkit::computeAngles(leaf.frame);
        for (std::size_t i = k * leafPoints; i < (k + 1) * leafPoints; ++i) {
            const Vector3 p = turnPoint(leaf, widened(points[i]), target);
            out[i] = {p.x, p.y, p.z};
        }
    }
}

}  // namespace bench
