// The leaf's turned side, measured as the module's leaf scan measures it.
#include "formats/leaf_side.h"

namespace formats {

using hostsim::Point3;

Point3 facingDirection(std::span<const Point3> leaf, std::int32_t pivotRule) {
    if (leaf.size() < 2) return {};
    const Point3 &first = leaf.front();
    const Point3 &last = leaf.back();
    Point3 pivot = first;
    if (pivotRule == 1)
        pivot = {(first.x + leaf[1].x) / 2.0, (first.y + leaf[1].y) / 2.0,
                 (first.z + leaf[1].z) / 2.0};
    if (pivotRule == 2)
        pivot = {(first.x + last.x) / 2.0, (first.y + last.y) / 2.0, (first.z + last.z) / 2.0};
    if (pivotRule == 3) pivot = last;
    Point3 centre;
    for (std::size_t i = 1; i < leaf.size(); ++i) {
        centre.x += leaf[i].x;
        centre.y += leaf[i].y;
        centre.z += leaf[i].z;
    }
    const double others = static_cast<double>(leaf.size() - 1);
    const Point3 axis{centre.x / others - pivot.x, centre.y / others - pivot.y,
                      centre.z / others - pivot.z};
    const Point3 edge{leaf[1].x - first.x, leaf[1].y - first.y, leaf[1].z - first.z};
    // The module's local +Z is edge x axis (right-handed arithmetic); the turned side is the
    // opposite one.
    return {axis.y * edge.z - axis.z * edge.y, axis.z * edge.x - axis.x * edge.z,
            axis.x * edge.y - axis.y * edge.x};
}

}  // namespace formats
