#include "leaf/evaluate.h"

#include <cmath>

#include "host/item_info.h"
#include "instance/item_list.h"
#include "instance/plugin_instance.h"
#include "leaf/scan_point.h"
#include "module/module_state.h"

namespace vistrel {

namespace {

// Measures every leaf of the mesh the point came with. Without a mesh nothing is measured and the
// scan stays due, so the points of this pass come back unchanged and the next pass scans as usual.
void rescan(PluginInstance &self, MeshHandle *mesh) {
    self.meshInfo = mesh;
    self.leafCursor = 0;
    self.pointCursor = 0;
    if (mesh == nullptr) return;
    if (mesh->meshScanPoints != nullptr) mesh->meshScanPoints(mesh, scanPoint, &self);
    // The scan's leaf cursor ends at the number of leaves it completed.
    self.measuredLeaves = self.leafCursor;
    self.leafCursor = 0;
    self.pointCursor = 0;
    self.needsScan = 0;
}

// The target's position at the instance's time, or false when there is no item to ask about.
bool targetPosition(const PluginInstance &self, Vector3 &t) {
    const ItemInfo *info = itemInfoService;
    if (self.targetItem == nullptr || info == nullptr || info->itemParam == nullptr) return false;
    double out[3] = {0.0, 0.0, 0.0};
    info->itemParam(self.targetItem, ITEM_PARAM_POSITION, self.currentTime, out);
    t = {out[0], out[1], out[2]};
    return true;
}

// Turns p, already in the leaf frame, so that the leaf faces t (also in the leaf frame).
Vector3 alignToTarget(const PluginInstance &self, Vector3 p, const Vector3 &t) {
    if (self.pitchAlign == 1) {
        const double a = std::atan2(-t.y, std::sqrt(t.x * t.x + t.z * t.z));
        p = rotateX(p, a);
    }
    if (self.headingAlign == 1) {
        const double h = std::atan2(-t.x, -t.z);
        p = rotateY(p, -h);
    }
    return p;
}

void advance(PluginInstance &self) {
    self.pointCursor += 1;
    if (self.pointCursor >= self.leafPoints) {
        self.pointCursor = 0;
        self.leafCursor += 1;
    }
}

}  // namespace

extern "C" void evaluate(void *instance, PointAccess *access) {
    auto *self = static_cast<PluginInstance *>(instance);
    if (self == nullptr || access == nullptr) return;

    if (self->targetItem == nullptr) self->targetItem = itemIdAt(self->targetIndex);
    if (self->needsScan == 1) {
        rescan(*self, access->mesh);
        if (self->needsScan == 1) return;
    }

    // Only whole leaves that the latest scan measured are turned: a leaf whose arrays were made anew
    // since, or that the scan never reached, holds no frame to turn about.
    const std::int32_t leaf = self->leafCursor;
    if (self->leafPoints < minimumLeafPoints || leaf >= self->measuredLeaves) return;
    if (!(static_cast<double>(leaf) < self->leafCount) || leaf < 0 || leaf >= self->leafArrayLength) return;

    LeafFrame &f = self->frames[leaf];
    const Vector3 o = self->pivots[leaf];
    if (self->pointCursor == 0) computeAngles(f);

    Vector3 t;
    if (self->targetIndex != 0 && targetPosition(*self, t)) {
        Vector3 p{access->position[0], access->position[1], access->position[2]};
        toLeafFrame(f, {&p, 1}, o);
        toLeafFrame(f, {&t, 1}, o);
        p = alignToTarget(*self, p, t);
        fromLeafFrame(f, {&p, 1}, o);
        if (isFinite(p)) {
            access->position[0] = p.x;
            access->position[1] = p.y;
            access->position[2] = p.z;
        }
    }
    advance(*self);
}

}  // namespace vistrel
