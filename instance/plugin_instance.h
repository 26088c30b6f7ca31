// PluginInstance: one applied displacement — its five settings, the per-leaf arrays the scan fills
// and the evaluation reads, and the cursors that map the host's stream of point calls onto leaves.
#pragma once

#include <cstdint>
#include <memory>

#include "host/abi_types.h"
#include "host/mesh_handle.h"
#include "host/vistrelle_contract.h"
#include "instance/text_buffer.h"
#include "leaf/aimed_leaf.h"
#include "leaf/leaf_frame.h"
#include "leaf/leaf_turns.h"
#include "leaf/vector3.h"

namespace vistrel {

// A point's position as the host's scan handed it over, kept to compare the next scan's with.
struct ScannedPoint {
    float xyz[3];
};

struct PluginInstance {
    std::int32_t pivotType = DEFAULT_PIVOT_TYPE;  // a pivot rule; other values pick the first point
    std::unique_ptr<LeafFrame[]> frames;  // one frame per leaf; absent when there are no leaves
    std::unique_ptr<Vector3[]> pivots;    // pivot of each leaf
    std::unique_ptr<Vector3[]> centres;   // centre of each leaf as the latest scan measured it
    std::int32_t leafPoints = DEFAULT_LEAF_POINTS;  // consecutive points that make one leaf
    double leafCount = 0.0;  // number of leaves; may hold a fraction after the panel showed it
    std::int32_t targetIndex = DEFAULT_TARGET_INDEX;  // TARGET_NONE or k: the list's k-th item
    ItemId targetItem = nullptr;    // target resolved from targetIndex; none while unresolved
    std::int32_t pointCount = 0;    // the object's point count when the instance was made
    TextBuffer description;         // the line describe returns
    double currentTime = 0.0;       // scene time of the last newTime
    std::int32_t currentFrame = 0;  // frame of the last newTime
    std::int32_t headingAlign = DEFAULT_HEADING_ALIGN;  // "H Align", on exactly when SWITCH_ON
    std::int32_t pitchAlign = DEFAULT_PITCH_ALIGN;      // "P Align", on exactly when SWITCH_ON
    std::int32_t needsScan = 1;      // exactly 1: measure the leaves before turning the next point
    std::int32_t leafCursor = 0;     // leaf of the next scanned or evaluated point
    std::int32_t pointCursor = 0;    // position of that point in its leaf
    MeshHandle *meshInfo = nullptr;  // create's mesh, then the latest rescan's; the host's
    Vector3 leafFirstPoint;          // scan state: the current leaf's first point
    Vector3 leafEdge;                // scan state: second point minus first point
    Vector3 leafPivot;               // scan state: the current leaf's pivot so far
    Vector3 leafCentre;              // scan state: the sum of its points after the first so far
    std::int32_t leafArrayLength = 0;  // entries of frames, pivots and centres
    std::int32_t measuredLeaves = 0;  // leaves the latest scan completed since the arrays were made
    std::unique_ptr<LeafTurns[]> turns;  // sines and cosines of each leaf's frame rotations
    AimedLeaf aim;                       // the leaf being turned, aimed at the target
    // Every point of every leaf as the scan last fetched it, scannedLeafPoints to a leaf, so that a
    // scan finds an unchanged leaf by comparing bits and measures only the leaves that changed.
    std::unique_ptr<ScannedPoint[]> scannedPoints;
    std::int32_t scannedLeafPoints = 0;  // the leaf size scannedPoints is laid out by; 0: none kept
    std::int32_t scannedPivotType = 0;   // the pivot rule the kept leaves were measured by
    std::int32_t scannedLeaves = 0;      // leaves whose measurement is that of their kept points
    std::int32_t unchangedLeaves = 0;    // during a scan: scannedLeaves as it began, or 0
    bool leafChanged = false;            // during a scan: a point of the current leaf changed bits
    // During a scan, while the rest of a leaf with kept points takes scanPoint's short path: the
    // kept point the next fetched one is compared with, the end of the leaf's kept points and the
    // mesh's meshPointPosition; scanNext null otherwise.
    ScannedPoint *scanNext = nullptr;
    ScannedPoint *scanLeafEnd = nullptr;
    std::int32_t (*scanFetch)(MeshHandle *mesh, PointId point, float position[3]) = nullptr;
    float fetched[3] = {};  // during a scan: the point the short path fetched
};

// Makes the per-leaf arrays again with the whole part of leafCount zeroed entries (none when
// leafCount is not finite or below 1; zeroed in place when they have that length already), and
// forgets the aimed leaf and the scanned points. Nothing else changes. If memory runs out, all four
// arrays are left absent; without memory for the scanned points every scan measures every leaf.
void resizeLeafArrays(PluginInstance &instance) noexcept;

// The instance's leaf count for its leaf size: pointCount / leafPoints in whole leaves, 0 for a
// leaf size below 1.
double wholeLeafCount(const PluginInstance &instance);

// The real quotient pointCount / leafPoints that the panel's leaf display shows; 0 for a leaf size
// below 1, where the quotient is not a number of leaves.
double realLeafCount(const PluginInstance &instance);

// Turning needs a leaf of at least two points: one for the pivot, one for the frame.
constexpr std::int32_t minimumLeafPoints = 2;

}  // namespace vistrel
