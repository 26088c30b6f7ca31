#include "leaf/evaluate.h"

#include "host/item_info.h"
#include "instance/item_list.h"
#include "instance/plugin_instance.h"
#include "leaf/leaf_cursor.h"
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
    // Pivots may move: an aimed leaf is relative to one.
    self.aim.forget();
    if (mesh == nullptr) return;
    beginScan(self);
    if (mesh->meshScanPoints != nullptr) mesh->meshScanPoints(mesh, vistrel_scan_point, &self);
    endScan(self);
    // The scan's leaf cursor ends at the number of leaves it completed.
    self.measuredLeaves = self.leafCursor;
    self.leafCursor = 0;
    self.pointCursor = 0;
    self.needsScan = 0;
}

// Takes up `leaf` for its points: its turns ready for the frame's angles (at its first point the
// angles are worked out from the axes, unless the scan found the same axes as when they last
// were), its pivot, and no target yet. Once a leaf.
[[gnu::noinline]] void takeUpLeaf(PluginInstance &self, std::int32_t leaf) {
    LeafTurns &r = self.turns[leaf];
    if (self.pointCursor == 0 && r.state != TurnsState::current) {
        r = computeAnglesAndTurns(self.frames[leaf]);
        r.state = TurnsState::current;
    } else if (r.state == TurnsState::unset) {
        r = turnsOf(self.frames[leaf]);
        r.state = TurnsState::stale;
    }
    self.aim.takeUp(leaf, r, self.pivots[leaf]);
}

// Once a leaf and target position.
[[gnu::noinline]] void aimLeaf(PluginInstance &self) {
    self.aim.aimAtAsked(self.pitchAlign == SWITCH_ON, self.headingAlign == SWITCH_ON);
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
    if (!withinLeaves(*self, leaf, self->measuredLeaves)) return;
    if (leaf != self->aim.leaf) takeUpLeaf(*self, leaf);
    stepCursor(*self);

    // The target is asked for at every point: it may move between any two. Its position goes
    // into the instance, not the stack, so that the point's turn is evaluate's last call.
    const ItemInfo *info = itemInfoService;
    if (self->targetIndex == 0 || self->targetItem == nullptr || info == nullptr ||
        info->itemParam == nullptr)
        return;
    AimedLeaf &aim = self->aim;
    aim.asked[0] = aim.asked[1] = aim.asked[2] = 0.0;  // zeros for a host that answers nothing
    info->itemParam(self->targetItem, ITEM_PARAM_POSITION, self->currentTime, aim.asked);
    if (!aim.aimedAtAsked()) aimLeaf(*self);
    aim.turnPoint(aim, access->position);
}

}  // namespace vistrel
