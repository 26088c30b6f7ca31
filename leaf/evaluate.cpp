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

// Makes `leaf`'s turns ready for the frame's angles: at its first point the angles are worked out
// from the axes, unless the scan found the same axes as when they last were. Not while a leaf's
// turns stay current, which is every frame of a mesh that does not move.
[[gnu::noinline]] void workOutTurns(PluginInstance &self, LeafTurns &r, std::int32_t leaf) {
    if (self.pointCursor == 0) {
        r = computeAnglesAndTurns(self.frames[leaf]);
        r.state = TurnsState::current;
    } else if (r.state == TurnsState::unset) {
        r = turnsOf(self.frames[leaf]);
        r.state = TurnsState::stale;
    }
}

// Takes up `leaf` for its points: its turns ready, its pivot, and no target yet. Once a leaf.
inline void takeUpLeaf(PluginInstance &self, std::int32_t leaf) {
    LeafTurns &r = self.turns[leaf];
    if (r.state != TurnsState::current) [[unlikely]]
        workOutTurns(self, r, leaf);
    self.aim.takeUp(leaf, r, self.pivots[leaf]);
}

// Steps the cursors past the point and asks the host (`ask`, its itemParam) for the target's
// position for it, keeping the point's place in its leaf and its position for the turn. The answer
// goes into the instance, not the stack, so that the point's turn is evaluate's last call.
inline void stepAndAsk(PluginInstance &self, PointAccess *access, AskPosition ask) {
    AimedLeaf &aim = self.aim;
    aim.at = self.pointCursor;
    stepCursor(self);
    aim.point = access->position;
    aim.asked[0] = aim.asked[1] = aim.asked[2] = 0.0;  // zeros for a host that answers nothing
    ask(self.targetItem, ITEM_PARAM_POSITION, self.currentTime, aim.asked);
}

// The leaf aimed at the position asked, then the point turned. Once a leaf and target position.
// Aimed at the leaf's first point, the leaf's points are turned ahead from the positions the scan
// kept, where they are kept at this leaf size: its further points whose positions have those bits
// take their turned positions from there.
[[gnu::noinline]] void aimAndTurnPoint(PluginInstance &self) {
    AimedLeaf &aim = self.aim;
    if (aim.leaf < 0) return;  // forgotten during the host's call: no leaf to turn with
    aim.aimAtAsked(self.pitchAlign == SWITCH_ON, self.headingAlign == SWITCH_ON);
    const std::int32_t n = self.leafPoints;
    if (aim.turnAhead != nullptr && aim.at == 0 && n == self.scannedLeafPoints &&
        n <= AimedLeaf::maxAhead && aim.leaf < self.leafArrayLength &&
        self.scannedPoints != nullptr) {
        const ScannedPoint *kept =
            &self.scannedPoints[static_cast<std::size_t>(aim.leaf) * static_cast<std::size_t>(n)];
        aim.turnAheadFrom(&kept->xyz, n);
        if (aim.takeAhead()) return;
    }
    aim.turnPoint(aim, aim.point);
}

// The point kept in aim.point turned with its leaf toward the position the host wrote for it,
// the leaf aimed again first if that position is not the one it is aimed at (or if the leaf was
// forgotten during the host's call). Out of line, so that evaluate's short path holds only the
// instance across the target query.
[[gnu::noinline]] void turnAskedPoint(PluginInstance &self) {
    AimedLeaf &aim = self.aim;
    if (!aim.aimedAtAsked()) [[unlikely]] {
        aimAndTurnPoint(self);
        return;
    }
    if (aim.takeAhead()) return;
    aim.turnPoint(aim, aim.point);
}

// A point that the short path cannot take: the first of a pass (the scan), of a leaf, or any
// point of a leaf that is not turned. Everything is checked here as it stands; a leaf that is
// turned is left ready, so that its further points pay only for the target query and their turn.
[[gnu::noinline]] void evaluateChecked(PluginInstance &self, PointAccess *access) {
    if (self.targetItem == nullptr) self.targetItem = itemIdAt(self.targetIndex);
    if (self.needsScan == 1) {
        rescan(self, access->mesh);
        if (self.needsScan == 1) return;
    }

    // Only whole leaves that the latest scan measured are turned: a leaf whose arrays were made
    // anew since, or that the scan never reached, holds no frame to turn about.
    const std::int32_t leaf = self.leafCursor;
    if (!withinLeaves(self, leaf, self.measuredLeaves)) return;
    if (leaf != self.aim.leaf) takeUpLeaf(self, leaf);

    // The target is asked for at every point: it may move between any two.
    const ItemInfo *info = itemInfoService;
    if (self.targetIndex == 0 || self.targetItem == nullptr || info == nullptr ||
        info->itemParam == nullptr) {
        stepCursor(self);
        return;
    }
    // Nothing that the checks above read changes within the leaf unless forget() is called: a
    // setting, new arrays, a scan or a new time (during the host's call too).
    AimedLeaf &aim = self.aim;
    aim.readyLeaf = leaf;
    aim.ask = info->itemParam;
    stepAndAsk(self, access, aim.ask);
    turnAskedPoint(self);
}

// The first point of the leaf after the one that was ready: the checks of evaluateChecked that
// a new leaf can change, its leaf taken up, then the point as on the short path.
[[gnu::noinline]] void evaluateNextLeaf(PluginInstance &self, PointAccess *access) {
    AimedLeaf &aim = self.aim;
    const std::int32_t leaf = self.leafCursor;
    if (aim.readyLeaf < 0 || leaf != aim.readyLeaf + 1) {
        evaluateChecked(self, access);
        return;
    }
    // Past the measured leaves every further point of the pass comes back unchanged, at once.
    if (!withinLeaves(self, leaf, self.measuredLeaves)) return;
    takeUpLeaf(self, leaf);
    aim.readyLeaf = leaf;
    stepAndAsk(self, access, aim.ask);
    aimAndTurnPoint(self);  // a leaf just taken up is aimed afresh
}

}  // namespace

void evaluate(void *instance, PointAccess *access) {
    auto *self = static_cast<PluginInstance *>(instance);
    if (self == nullptr || access == nullptr) return;
    AimedLeaf &aim = self->aim;
    if (self->leafCursor != aim.readyLeaf) [[unlikely]] {
        evaluateNextLeaf(*self, access);
        return;
    }
    // A further point of the leaf being turned: as evaluateChecked would do it, with what it
    // checked for this leaf.
    stepAndAsk(*self, access, aim.ask);
    turnAskedPoint(*self);
}

}  // namespace vistrel

// The host's per-point entry (module/c_entries.h) is defined here, where evaluate can be inlined
// into it: a call forwarded from another file costs up to ten instructions a point (i386).
void vistrel_evaluate(void *instance, PointAccess *access) { vistrel::evaluate(instance, access); }
