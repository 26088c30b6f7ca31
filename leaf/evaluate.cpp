#include "leaf/evaluate.h"

#include <cmath>

#include "host/item_info.h"
#include "instance/item_list.h"
#include "instance/plugin_instance.h"
#include "leaf/scan_point.h"
#include "module/c_entries.h"
#include "module/module_state.h"

namespace vistrel {

namespace {

// Measures every leaf of the mesh the point came with. Without a mesh nothing is measured and the
// scan stays due, so the points of this pass come back unchanged and the next pass scans as usual.
// Once a pass: out of line, so that evaluate's per-point checks need no stack frame.
[[gnu::noinline]] void rescan(PluginInstance &self, MeshHandle *mesh) {
    self.meshInfo = mesh;
    self.leafCursor = 0;
    self.pointCursor = 0;
    // Pivots may move: a kept target is relative to one.
    self.target.forget();
    if (mesh == nullptr) return;
    if (mesh->meshScanPoints != nullptr) mesh->meshScanPoints(mesh, vistrel_scan_point, &self);
    // The scan's leaf cursor ends at the number of leaves it completed.
    self.measuredLeaves = self.leafCursor;
    self.leafCursor = 0;
    self.pointCursor = 0;
    self.needsScan = 0;
}

// Asks the host for the target's position at the instance's time, into `out` (left as it is when
// the host does not write it); false when there is no item to ask about.
bool askTargetPosition(const PluginInstance &self, double (&out)[3]) {
    const ItemInfo *info = itemInfoService;
    if (self.targetItem == nullptr || info == nullptr || info->itemParam == nullptr) return false;
    info->itemParam(self.targetItem, ITEM_PARAM_POSITION, self.currentTime, out);
    return true;
}

// The leaf's turns, ready for its frame's angles. At the leaf's first point the angles are worked
// out from the axes, unless the scan found the same axes as when they last were.
const LeafTurns &leafTurns(PluginInstance &self, std::int32_t leaf) {
    LeafTurns &r = self.turns[leaf];
    LeafFrame &f = self.frames[leaf];
    if (self.pointCursor == 0 && r.state != TurnsState::current) {
        r = computeAnglesAndTurns(f);
        r.state = TurnsState::current;
        if (self.target.leaf == leaf) self.target.forget();
    } else if (r.state == TurnsState::unset) {
        r = turnsOf(f);
        r.state = TurnsState::stale;
    }
    return r;
}

void advance(PluginInstance &self) {
    self.pointCursor += 1;
    if (self.pointCursor >= self.leafPoints) {
        self.pointCursor = 0;
        self.leafCursor += 1;
    }
}

// Turns one point of `leaf` toward the target. Kept apart from evaluate so that the points it hands
// back at once (no scan possible, a leaf not measured) need no stack frame.
[[gnu::noinline]] void turnPoint(PluginInstance &self, std::int32_t leaf, PointAccess &access) {
    const LeafTurns &r = leafTurns(self, leaf);

    // The same arithmetic as toLeafFrame, the pitch and heading turns and fromLeafFrame, each sine
    // and cosine evaluated once per leaf, or per leaf and target position, instead of per point.
    double t[3] = {0.0, 0.0, 0.0};  // zeros for a host that answers nothing
    if (self.targetIndex != 0 && askTargetPosition(self, t)) {
        // Read after the host's call, so that it need not be kept across it.
        const Vector3 o = self.pivots[leaf];
        TargetTurns &aim = self.target;
        aim.aim(leaf, t, r, o);
        Vector3 p = intoLeaf(r, {access.position[0], access.position[1], access.position[2]}, o);
        if (self.pitchAlign == SWITCH_ON) p = aim.pitchTurned(p);
        if (self.headingAlign == SWITCH_ON) p = aim.headingTurned(p);
        p = outOfLeaf(r, p, o);
        if (isFinite(p)) {
            access.position[0] = p.x;
            access.position[1] = p.y;
            access.position[2] = p.z;
        }
    }
    advance(self);
}

}  // namespace

void evaluate(void *instance, PointAccess *access) {
    auto *self = static_cast<PluginInstance *>(instance);
    if (self == nullptr || access == nullptr) return;

    if (self->targetItem == nullptr) self->targetItem = itemIdAt(self->targetIndex);
    if (self->needsScan == 1) {
        rescan(*self, access->mesh);
        if (self->needsScan == 1) return;
    }

    // Only whole leaves that the latest scan measured are turned: a leaf whose arrays were made
    // anew since, or that the scan never reached, holds no frame to turn about.
    const std::int32_t leaf = self->leafCursor;
    if (self->leafPoints < minimumLeafPoints || leaf >= self->measuredLeaves) return;
    if (!(static_cast<double>(leaf) < self->leafCount) || leaf < 0 || leaf >= self->leafArrayLength)
        return;

    turnPoint(*self, leaf, *access);
}

}  // namespace vistrel
