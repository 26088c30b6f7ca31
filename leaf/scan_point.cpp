#include "leaf/scan_point.h"

#include <cstring>

#include "host/vistrelle_contract.h"
#include "instance/plugin_instance.h"
#include "leaf/leaf_cursor.h"
#include "module/c_entries.h"

namespace vistrel {

namespace {

Vector3 widened(const float (&p)[3]) {
    return {static_cast<double>(p[0]), static_cast<double>(p[1]), static_cast<double>(p[2])};
}

// Stores `value` unless `to` holds its bits already: a leaf that did not move leaves its arrays
// unwritten, so that their memory stays clean (and shared with the instance's forked copies).
void keep(Vector3 &to, const Vector3 &value) {
    if (!sameBits(to, value)) to = value;
}

// A point fetched by the scan, compared with its kept bits and kept where they changed.
inline void keepPoint(PluginInstance &self, ScannedPoint &kept, const float (&p)[3]) {
    static_assert(sizeof kept.xyz == sizeof p);
    if (std::memcmp(kept.xyz, p, sizeof p) != 0) {
        std::memcpy(kept.xyz, p, sizeof p);
        self.leafChanged = true;
    }
}

// Counts p, the point at `cursor` of its leaf, into the leaf being measured.
void countIn(PluginInstance &self, const Vector3 &p, std::int32_t cursor) {
    Vector3 &pivot = self.leafPivot;
    const std::int32_t last = self.leafPoints - 1;
    if (cursor == 0) {
        pivot = p;
        self.leafFirstPoint = p;
        clear(self.leafEdge);
        clear(self.leafCentre);
        return;
    }
    if (self.pivotType == PIVOT_FIRST_TWO_POINTS && cursor == 1) pivot = (pivot + p) / 2.0;
    if (self.pivotType == PIVOT_FIRST_AND_LAST_POINT && cursor == last) pivot = (pivot + p) / 2.0;
    if (self.pivotType == PIVOT_LAST_POINT && cursor == last) pivot = p;
    if (cursor == 1) self.leafEdge = p - self.leafFirstPoint;
    self.leafCentre = self.leafCentre + p;
}

// The leaf's axes from its pivot, the sum of its points after the first and its first edge,
// stored where they changed bits.
void finishLeaf(PluginInstance &self, std::int32_t leaf, const Vector3 &pivot,
                const Vector3 &centreSum, const Vector3 &edge) {
    LeafFrame &frame = self.frames[leaf];
    const Vector3 centre = centreSum / static_cast<double>(self.leafPoints - 1);
    const Vector3 axis1 = centre - pivot;
    const Vector3 axis2 = cross(axis1, edge);
    const Vector3 axis0 = cross(axis2, axis1);
    // Angles follow from axis0 and axis1 alone: the same bits give the same angles again.
    LeafTurns &turns = self.turns[leaf];
    if (!(sameBits(axis0, frame.axis0) && sameBits(axis1, frame.axis1))) {
        if (turns.state == TurnsState::current) turns.state = TurnsState::stale;
        frame.axis1 = axis1;
        frame.axis0 = axis0;
    }
    keep(frame.axis2, axis2);
    keep(self.pivots[leaf], pivot);
    keep(self.centres[leaf], centre);
}

void finishLeaf(PluginInstance &self, std::int32_t leaf) {
    finishLeaf(self, leaf, self.leafPivot, self.leafCentre, self.leafEdge);
}

// Measures a leaf from its kept points: what countIn and finishLeaf work out point by point, with
// the same operations in the same order, the pivot rule looked at once.
[[gnu::noinline]] void measureKept(PluginInstance &self, std::int32_t leaf) {
    const std::int32_t n = self.leafPoints;
    const ScannedPoint *points =
        &self.scannedPoints[static_cast<std::size_t>(leaf) * static_cast<std::size_t>(n)];
    const Vector3 first = widened(points[0].xyz);
    const Vector3 second = widened(points[1].xyz);
    const Vector3 last = widened(points[n - 1].xyz);
    Vector3 centreSum = Vector3{} + second;  // from +0, as countIn sums: -0 comes out +0
    for (std::int32_t c = 2; c < n; ++c) centreSum = centreSum + widened(points[c].xyz);
    Vector3 pivot = first;
    if (self.pivotType == PIVOT_FIRST_TWO_POINTS)
        pivot = (first + second) / 2.0;
    else if (self.pivotType == PIVOT_FIRST_AND_LAST_POINT)
        pivot = (first + last) / 2.0;
    else if (self.pivotType == PIVOT_LAST_POINT)
        pivot = last;
    finishLeaf(self, leaf, pivot, centreSum, second - first);
}

// The last point of a leaf whose points took the short path: the cursors on to the next leaf,
// the leaf measured if one of its points changed or its kept points are not what it was last
// measured from. The next leaf's kept points follow in the array: they take the short path too
// while the leaf is one that the scan measures.
[[gnu::noinline]] void finishKeptLeaf(PluginInstance &self) {
    const std::int32_t leaf = self.leafCursor;
    self.pointCursor = 0;
    self.leafCursor = leaf + 1;
    if (self.leafChanged || leaf >= self.unchangedLeaves) measureKept(self, leaf);
    self.leafChanged = false;
    if (self.scanNext != nullptr && self.leafPoints == self.scannedLeafPoints &&
        withinLeaves(self, leaf + 1, self.leafArrayLength))
        self.scanLeafEnd = self.scanNext + self.leafPoints;
    else
        self.scanNext = nullptr;
}

// The point scanPoint's short path fetched, compared with its kept bits and kept where they
// changed.
[[gnu::noinline]] std::int32_t keepFetched(PluginInstance &self) {
    ScannedPoint *kept = self.scanNext;
    if (kept == nullptr) return SCAN_CONTINUE;  // the arrays were made anew during the call
    keepPoint(self, *kept, self.fetched);
    self.scanNext = kept + 1;
    if (kept + 1 == self.scanLeafEnd) [[unlikely]]
        finishKeptLeaf(self);
    return SCAN_CONTINUE;
}

// A point that the short path cannot take: the first of each leaf, and every point where no
// points are kept. Everything is checked here as it stands; a leaf whose points are kept is left
// for its further points to take the short path.
[[gnu::noinline]] std::int32_t scanPointChecked(PluginInstance &self, PointId point) {
    if (self.meshInfo == nullptr) return SCAN_CONTINUE;
    const std::int32_t leaf = self.leafCursor;
    if (!withinLeaves(self, leaf, self.leafArrayLength)) return SCAN_CONTINUE;

    float p[3] = {0.0f, 0.0f, 0.0f};
    MeshHandle *mesh = self.meshInfo;
    if (mesh->meshPointPosition != nullptr) mesh->meshPointPosition(mesh, point, p);
    const std::int32_t cursor = self.pointCursor;

    if (self.leafPoints == self.scannedLeafPoints && cursor < self.leafPoints) {
        // Kept points: compared, stored where they changed, the leaf measured only if one did or
        // if its kept points are not what it was last measured from.
        ScannedPoint *leafPoints = &self.scannedPoints[static_cast<std::size_t>(leaf) *
                                                       static_cast<std::size_t>(self.leafPoints)];
        ScannedPoint &kept = leafPoints[cursor];
        keepPoint(self, kept, p);
        if (!stepCursor(self)) {
            // The rest of the leaf's points: nothing above changes until its last, unless the
            // arrays are made anew (which forgets the short path) or the scan ends.
            if (cursor == 0 && mesh->meshPointPosition != nullptr) {
                self.scanFetch = mesh->meshPointPosition;
                self.scanNext = &kept + 1;
                self.scanLeafEnd = leafPoints + self.leafPoints;
            }
            return SCAN_CONTINUE;
        }
        if (self.leafChanged || leaf >= self.unchangedLeaves) measureKept(self, leaf);
        self.leafChanged = false;
        return SCAN_CONTINUE;
    }

    countIn(self, widened(p), cursor);
    if (stepCursor(self)) finishLeaf(self, leaf);
    return SCAN_CONTINUE;
}

}  // namespace

std::int32_t scanPoint(void *instance, PointId point) {
    auto *self = static_cast<PluginInstance *>(instance);
    if (self == nullptr) return SCAN_CONTINUE;
    if (self->scanNext == nullptr) return scanPointChecked(*self, point);
    // A further point of a leaf whose points are kept: as scanPointChecked would do it, with what
    // it checked at the leaf's first point. The position goes into the instance, so that only the
    // instance is held across the host's call.
    float *p = self->fetched;
    p[0] = p[1] = p[2] = 0.0f;
    self->scanFetch(self->meshInfo, point, p);
    return keepFetched(*self);
}

void beginScan(PluginInstance &self) {
    self.scanNext = nullptr;
    const bool kept =
        self.scannedLeafPoints == self.leafPoints && self.scannedPivotType == self.pivotType;
    self.unchangedLeaves = kept ? self.scannedLeaves : 0;
    self.leafChanged = false;
}

void endScan(PluginInstance &self) {
    self.scanNext = nullptr;
    // A leaf size that changed since the points were kept leaves them stale.
    self.scannedLeaves = self.scannedLeafPoints == self.leafPoints ? self.leafCursor : 0;
    self.scannedPivotType = self.pivotType;
}

}  // namespace vistrel

// The host's per-point scan entry (module/c_entries.h), defined here for the same reason as
// vistrel_evaluate.
std::int32_t vistrel_scan_point(void *instance, PointId point) {
    return vistrel::scanPoint(instance, point);
}
