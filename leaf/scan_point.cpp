#include "leaf/scan_point.h"

#include "host/vistrelle_contract.h"
#include "instance/plugin_instance.h"

namespace vistrel {

namespace {

Vector3 fetchPosition(MeshHandle *mesh, PointId point) {
    float position[3] = {0.0f, 0.0f, 0.0f};
    if (mesh->meshPointPosition != nullptr) mesh->meshPointPosition(mesh, point, position);
    return {static_cast<double>(position[0]), static_cast<double>(position[1]),
            static_cast<double>(position[2])};
}

// Stores `value` unless `to` holds its bits already: a leaf that did not move leaves its arrays
// unwritten, so that their memory stays clean (and shared with the instance's forked copies).
void keep(Vector3 &to, const Vector3 &value) {
    if (!sameBits(to, value)) to = value;
}

}  // namespace

std::int32_t scanPoint(void *instance, PointId point) {
    auto *self = static_cast<PluginInstance *>(instance);
    if (self == nullptr || self->meshInfo == nullptr || self->leafPoints < minimumLeafPoints)
        return SCAN_CONTINUE;
    const std::int32_t leaf = self->leafCursor;
    if (!(static_cast<double>(leaf) < self->leafCount) || leaf < 0 || leaf >= self->leafArrayLength)
        return SCAN_CONTINUE;

    const Vector3 p = fetchPosition(self->meshInfo, point);
    Vector3 &pivot = self->leafPivot;
    Vector3 &centre = self->leafCentre;
    const std::int32_t last = self->leafPoints - 1;

    if (self->pointCursor == 0) {
        pivot = p;
        self->leafFirstPoint = p;
        clear(self->leafEdge);
        clear(centre);
    } else {
        if (self->pivotType == PIVOT_FIRST_TWO_POINTS && self->pointCursor == 1)
            pivot = (pivot + p) / 2.0;
        if (self->pivotType == PIVOT_FIRST_AND_LAST_POINT && self->pointCursor == last)
            pivot = (pivot + p) / 2.0;
        if (self->pivotType == PIVOT_LAST_POINT && self->pointCursor == last) pivot = p;
        if (self->pointCursor == 1) self->leafEdge = p - self->leafFirstPoint;
        centre = centre + p;
    }

    self->pointCursor += 1;
    if (!(self->pointCursor < self->leafPoints)) {
        LeafFrame &frame = self->frames[leaf];
        self->pointCursor = 0;
        centre = centre / static_cast<double>(last);
        const Vector3 axis1 = centre - pivot;
        const Vector3 axis2 = cross(axis1, self->leafEdge);
        const Vector3 axis0 = cross(axis2, axis1);
        // Angles follow from axis0 and axis1 alone: the same bits give the same angles again.
        LeafTurns &turns = self->turns[leaf];
        if (!(sameBits(axis0, frame.axis0) && sameBits(axis1, frame.axis1))) {
            if (turns.state == TurnsState::current) turns.state = TurnsState::stale;
            frame.axis1 = axis1;
            frame.axis0 = axis0;
        }
        keep(frame.axis2, axis2);
        keep(self->pivots[leaf], pivot);
        keep(self->centres[leaf], centre);
        self->leafCursor += 1;
    }
    return SCAN_CONTINUE;
}

}  // namespace vistrel
