// AimedLeaf: everything a point of the leaf being turned needs, so that a point pays for its own
// arithmetic and nothing else. Taken up at the leaf's first evaluated point (its turns and pivot)
// and aimed again whenever the target's position changes bits: the target in the leaf's frame, the
// sines and cosines of the pitch and heading turns toward it, and the point turn that applies
// exactly the turns that do work, chosen from sixteen specialised ones.
#pragma once

#include <cstdint>
#include <cstring>

#include "host/abi_types.h"
#include "leaf/leaf_turns.h"
#include "leaf/vector3.h"

namespace vistrel {

struct AimedLeaf;

// Turns one point's position (three doubles, the host's) in place; leaves it as it was when the
// result is not finite.
using PointTurn = void (*)(const AimedLeaf &aim, double *position);

// Turns the first aim.aheadCount of `points` (the leaf's, as the scan kept them) at once into
// aim.ahead, as PointTurn would one by one.
using AheadTurn = void (*)(AimedLeaf &aim, const float (*points)[3]);

// Points of the leaf turned ahead, one coordinate an array (so that vector registers take them
// whole): each point's position as the scan fetched it, widened as the host widens it, and that
// position turned (or the position itself where the turn is not finite).
struct AheadPoints {
    static constexpr std::int32_t most = 8;
    double in[3][most];
    double out[3][most];
};

// The host's itemParam, as the leaf's points ask it for the target's position.
using AskPosition = void (*)(ItemId item, std::int32_t code, double time, double out[3]);

// The point turns compiled for AVX too (x86 with GCC or Clang), chosen when the processor has it.
#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#define VISTREL_AVX_TURNS 1
#else
#define VISTREL_AVX_TURNS 0
#endif

// True when the point turns compiled for AVX can run here.
bool processorHasAvx();

// The sixteen point turns, indexed by framePitch + 2 frameBank + 4 aimPitch + 8 aimHeading:
// compiled for the build's instruction set, or with `avx` for AVX (null where it is not compiled
// in). Both apply the same operations in the same order, with the same bits.
const PointTurn *pointTurns(bool avx);
// The same for a leaf's points at once, four in a vector register: with `avx` only (null
// otherwise). Two to a register without AVX take more instructions than the turns one at a time
// (with eight vector registers on i386, many more).
const AheadTurn *aheadTurns(bool avx);

struct AimedLeaf {
    std::int32_t leaf = -1;  // the leaf taken up; -1: none
    // The leaf whose further points take evaluate's short path: taken up and aimed, with a target
    // to ask for and `ask` the host's entry that answered it; -1: none.
    std::int32_t readyLeaf = -1;
    AskPosition ask = nullptr;
    bool aimed = false;                // target, pitch, heading and turnPoint hold
    const LeafTurns *turns = nullptr;  // the leaf's frame turns
    Vector3 pivot;                     // the leaf's pivot
    Vector3 target;                    // the target's position aimed at, as the host wrote it
    double asked[3] = {};              // the target's position the host wrote for this point
    double *point = nullptr;           // the host's position of the point being evaluated
    Turn pitch;                        // turn by the pitch angle about X
    Turn heading;                      // turn by minus the heading angle about Y
    PointTurn turnPoint = nullptr;
    AheadTurn turnAhead = nullptr;  // turnPoint for all of `ahead` at once; null: none here
    std::int32_t at = 0;            // the place in its leaf of the point being evaluated
    // The leaf's points turned ahead when it was aimed at its first point, as many as `ahead`
    // holds; 0: none. A point whose position has the bits of its `in` takes its `out`.
    std::int32_t aheadCount = 0;
    static constexpr std::int32_t maxAhead = AheadPoints::most;
    AheadPoints ahead = {};

    // Nothing kept: the next point takes up its leaf anew. Called whenever what a kept value was
    // worked out from may have changed (a scan, new arrays, any setting, a new time).
    void forget() {
        leaf = -1;
        readyLeaf = -1;
        aimed = false;
        aheadCount = 0;
    }

    void takeUp(std::int32_t leafIndex, const LeafTurns &leafTurns, const Vector3 &leafPivot) {
        leaf = leafIndex;
        readyLeaf = -1;
        turns = &leafTurns;
        pivot = leafPivot;
        aimed = false;
        aheadCount = 0;
    }

    // The position the host wrote for this point has the bits of the one the leaf is aimed at;
    // only for an aimed leaf.
    bool askedIsTarget() const {
        static_assert(sizeof target == sizeof asked);
        return std::memcmp(&target, asked, sizeof asked) == 0;
    }

    bool aimedAtAsked() const { return aimed && askedIsTarget(); }

    // Aims the taken-up leaf at the position asked, with the alignments given; nothing is turned
    // ahead for it.
    void aimAtAsked(bool pitchAlign, bool headingAlign);

    // The `count` points (at most maxAhead) at `points`, the leaf's first, turned ahead with the
    // aim as it stands.
    void turnAheadFrom(const float (*points)[3], std::int32_t count);

    // The point in aim.point, at place `at`, from the points turned ahead: false when it is not
    // one of them or its position has other bits.
    bool takeAhead() const {
        const auto place = static_cast<std::uint32_t>(at);
        if (place >= static_cast<std::uint32_t>(aheadCount)) return false;
        const auto bits = [](const double &d) {
            std::uint64_t b;
            std::memcpy(&b, &d, sizeof b);
            return b;
        };
        if (((bits(ahead.in[0][place]) ^ bits(point[0])) |
             (bits(ahead.in[1][place]) ^ bits(point[1])) |
             (bits(ahead.in[2][place]) ^ bits(point[2]))) != 0)
            return false;
        point[0] = ahead.out[0][place];
        point[1] = ahead.out[1][place];
        point[2] = ahead.out[2][place];
        return true;
    }
};

}  // namespace vistrel
