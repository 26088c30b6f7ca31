#include "leaf/aimed_leaf.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <utility>

namespace vistrel {

namespace {

// The point's way into the leaf frame, the pitch and heading turns toward the target and the way
// back, each step compiled in only where it does work: a frame turn about Z or X is left out for a
// zero or NaN angle, exactly where the plain operations leave it out.
template <bool framePitch, bool frameBank, bool aimPitch, bool aimHeading>
[[gnu::always_inline]] inline void turnPointBody(const AimedLeaf &aim, double *position) {
    const LeafTurns &r = *aim.turns;
    const Vector3 &o = aim.pivot;
    Vector3 v{position[0] - o.x, position[1] - o.y, position[2] - o.z};
    v = turnedY(v, r.intoY);
    if constexpr (framePitch) v = turnedZ(v, r.intoZ);
    if constexpr (frameBank) v = turnedX(v, r.intoX);
    if constexpr (aimPitch) v = turnedX(v, aim.pitch);
    if constexpr (aimHeading) v = turnedY(v, aim.heading);
    if constexpr (frameBank) v = turnedX(v, r.outX);
    if constexpr (framePitch) v = turnedZ(v, r.outZ);
    v = turnedY(v, r.outY);
    v = v + o;
    if (!isFinite(v)) return;
    position[0] = v.x;
    position[1] = v.y;
    position[2] = v.z;
}

// Points in lanes of vector registers, one coordinate a register. The turns below are turnedX,
// turnedY and turnedZ with the same products and sums in the same order, lane by lane.
template <typename Lanes>
struct LanePoints {
    Lanes x, y, z;
};

template <typename Lanes>
[[gnu::always_inline]] inline void turnLanesX(LanePoints<Lanes> &v, Turn r) {
    const Lanes y = v.y;
    v.y = r.c * y - r.s * v.z;
    v.z = r.s * y + r.c * v.z;
}
template <typename Lanes>
[[gnu::always_inline]] inline void turnLanesY(LanePoints<Lanes> &v, Turn r) {
    const Lanes x = v.x;
    v.x = r.s * v.z + r.c * x;
    v.z = r.c * v.z - r.s * x;
}
template <typename Lanes>
[[gnu::always_inline]] inline void turnLanesZ(LanePoints<Lanes> &v, Turn r) {
    const Lanes x = v.x;
    v.x = r.c * x - r.s * v.y;
    v.y = r.s * x + r.c * v.y;
}

using FourLanes = double __attribute__((vector_size(32)));

// The first four of `count` points into lanes, one coordinate a register, widened; lanes past
// `count` hold zeros.
template <typename Lanes>
[[gnu::always_inline]] inline void widenLanes(const float (*points)[3], std::int32_t count,
                                              Lanes &x, Lanes &y, Lanes &z) {
    static_assert(sizeof(Lanes) == 4 * sizeof(double));
    if (count >= 4) {
        x = Lanes{points[0][0], points[1][0], points[2][0], points[3][0]};
        y = Lanes{points[0][1], points[1][1], points[2][1], points[3][1]};
        z = Lanes{points[0][2], points[1][2], points[2][2], points[3][2]};
        return;
    }
    x = y = z = Lanes{};
    for (std::int32_t i = 0; i < count; ++i) {
        x[i] = points[i][0];
        y[i] = points[i][1];
        z[i] = points[i][2];
    }
}

// turnPointBody for aim.ahead, as many points at a time as Lanes holds. The lanes past aheadCount
// turn whatever the arrays hold there; nothing reads what they give. A turn that is not finite
// gives the position itself: for a finite x, x - x is +0; for an infinity or a NaN, a NaN.
template <typename Lanes, bool framePitch, bool frameBank, bool aimPitch, bool aimHeading>
[[gnu::always_inline]] inline void turnAheadBody(AimedLeaf &aim, const float (*points)[3]) {
    constexpr std::int32_t lanes = sizeof(Lanes) / sizeof(double);
    static_assert(AimedLeaf::maxAhead % lanes == 0);
    const LeafTurns &r = *aim.turns;
    const Vector3 &o = aim.pivot;
    AheadPoints &a = aim.ahead;
    for (std::int32_t first = 0; first < aim.aheadCount; first += lanes) {
        Lanes in[3];
        widenLanes(points + first, aim.aheadCount - first, in[0], in[1], in[2]);
        std::memcpy(&a.in[0][first], &in[0], sizeof in[0]);
        std::memcpy(&a.in[1][first], &in[1], sizeof in[1]);
        std::memcpy(&a.in[2][first], &in[2], sizeof in[2]);
        LanePoints<Lanes> v{in[0] - o.x, in[1] - o.y, in[2] - o.z};
        turnLanesY(v, r.intoY);
        if constexpr (framePitch) turnLanesZ(v, r.intoZ);
        if constexpr (frameBank) turnLanesX(v, r.intoX);
        if constexpr (aimPitch) turnLanesX(v, aim.pitch);
        if constexpr (aimHeading) turnLanesY(v, aim.heading);
        if constexpr (frameBank) turnLanesX(v, r.outX);
        if constexpr (framePitch) turnLanesZ(v, r.outZ);
        turnLanesY(v, r.outY);
        const Lanes turned[3] = {v.x + o.x, v.y + o.y, v.z + o.z};
        const auto notFinite = (turned[0] - turned[0] != 0.0) | (turned[1] - turned[1] != 0.0) |
                               (turned[2] - turned[2] != 0.0);
        const Lanes out[3] = {notFinite ? in[0] : turned[0], notFinite ? in[1] : turned[1],
                              notFinite ? in[2] : turned[2]};
        std::memcpy(&a.out[0][first], &out[0], sizeof out[0]);
        std::memcpy(&a.out[1][first], &out[1], sizeof out[1]);
        std::memcpy(&a.out[2][first], &out[2], sizeof out[2]);
    }
}

template <bool framePitch, bool frameBank, bool aimPitch, bool aimHeading>
void turnPointWith(const AimedLeaf &aim, double *position) {
    turnPointBody<framePitch, frameBank, aimPitch, aimHeading>(aim, position);
}

// The sixteen specialisations of one turn, indexed by framePitch + 2 frameBank + 4 aimPitch + 8
// aimHeading.
template <typename Entry, template <bool, bool, bool, bool> typename Of, std::size_t... k>
constexpr std::array<Entry, 16> sixteen(std::index_sequence<k...>) {
    return {Of<(k & 1) != 0, (k & 2) != 0, (k & 4) != 0, (k & 8) != 0>::turn...};
}

template <bool a, bool b, bool c, bool d>
struct PointTurnOf {
    static constexpr PointTurn turn = turnPointWith<a, b, c, d>;
};

constexpr auto pointTurnFor = sixteen<PointTurn, PointTurnOf>(std::make_index_sequence<16>());

#if VISTREL_AVX_TURNS
// The same operations in the same order in AVX's three-operand form, which needs no register
// copies, and four points at a time ahead. Single multiplies and adds only, never fused: the bits
// are those of the baseline's.
template <bool framePitch, bool frameBank, bool aimPitch, bool aimHeading>
[[gnu::target("avx")]] void turnPointWithAvx(const AimedLeaf &aim, double *position) {
    turnPointBody<framePitch, frameBank, aimPitch, aimHeading>(aim, position);
}
template <bool framePitch, bool frameBank, bool aimPitch, bool aimHeading>
[[gnu::target("avx")]] void turnAheadWithAvx(AimedLeaf &aim, const float (*points)[3]) {
    turnAheadBody<FourLanes, framePitch, frameBank, aimPitch, aimHeading>(aim, points);
}

template <bool a, bool b, bool c, bool d>
struct PointTurnAvxOf {
    static constexpr PointTurn turn = turnPointWithAvx<a, b, c, d>;
};
template <bool a, bool b, bool c, bool d>
struct AheadTurnAvxOf {
    static constexpr AheadTurn turn = turnAheadWithAvx<a, b, c, d>;
};

constexpr auto pointTurnForAvx = sixteen<PointTurn, PointTurnAvxOf>(std::make_index_sequence<16>());
constexpr auto aheadTurnForAvx = sixteen<AheadTurn, AheadTurnAvxOf>(std::make_index_sequence<16>());
#endif

}  // namespace

bool processorHasAvx() {
#if VISTREL_AVX_TURNS
    __builtin_cpu_init();  // may run before the C library's own constructors have
    return __builtin_cpu_supports("avx");
#else
    return false;
#endif
}

const PointTurn *pointTurns(bool avx) {
#if VISTREL_AVX_TURNS
    if (avx) return pointTurnForAvx.data();
#endif
    return avx ? nullptr : pointTurnFor.data();
}

const AheadTurn *aheadTurns(bool avx) {
#if VISTREL_AVX_TURNS
    if (avx) return aheadTurnForAvx.data();
#else
    (void)avx;
#endif
    return nullptr;
}

namespace {

// The turns this processor runs, picked once as the module is loaded.
struct CompiledTurns {
    const PointTurn *point;
    const AheadTurn *ahead;
};
CompiledTurns pickTurns() {
    const bool avx = processorHasAvx();
    return {pointTurns(avx), aheadTurns(avx)};
}
const CompiledTurns compiledHere = pickTurns();

}  // namespace

void AimedLeaf::turnAheadFrom(const float (*points)[3], std::int32_t count) {
    aheadCount = count < maxAhead ? count : maxAhead;
    turnAhead(*this, points);
}

void AimedLeaf::aimAtAsked(bool pitchAlign, bool headingAlign) {
    const LeafTurns &r = *turns;
    target = {asked[0], asked[1], asked[2]};
    const Vector3 inLeaf = intoLeaf(r, target, pivot);
    bool pitchTurns = false;
    if (pitchAlign) {
        // a = atan2(-t.y, sqrt(t.x^2 + t.z^2)); a turn by a zero or NaN angle does nothing.
        const double a =
            std::atan2(-inLeaf.y, std::sqrt(inLeaf.x * inLeaf.x + inLeaf.z * inLeaf.z));
        pitchTurns = !isNoTurn(a);
        if (pitchTurns) pitch = turnBy(a);
    }
    // h = atan2(-t.x, -t.z), turned by -h.
    if (headingAlign) heading = turnBy(-std::atan2(-inLeaf.x, -inLeaf.z));
    const unsigned k = (r.skipPitch ? 0u : 1u) + (r.skipBank ? 0u : 2u) + (pitchTurns ? 4u : 0u) +
                       (headingAlign ? 8u : 0u);
    turnPoint = compiledHere.point[k];
    turnAhead = compiledHere.ahead != nullptr ? compiledHere.ahead[k] : nullptr;
    aheadCount = 0;
    aimed = true;
}

}  // namespace vistrel
