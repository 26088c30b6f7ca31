// The turns of a leaf, from its angles or while its angles are worked out.
#include "leaf/leaf_turns.h"

namespace vistrel {

namespace {

// The turns out of the frame, and the zero tests, from angles already stored in f.
void finishTurns(const LeafFrame &f, LeafTurns &r) {
    r.skipPitch = isNoTurn(-f.pitch);
    r.skipBank = isNoTurn(-f.bank);
    if (!r.skipBank) {
        r.intoX = turnBy(-f.bank);
        r.outX = turnBy(f.bank);
    }
    if (!r.skipPitch) r.outZ = turnBy(f.pitch);
    r.outY = turnBy(f.heading);
}

}  // namespace

LeafTurns turnsOf(const LeafFrame &f) {
    LeafTurns r;
    r.intoY = turnBy(-f.heading);
    finishTurns(f, r);
    if (!r.skipPitch) r.intoZ = turnBy(-f.pitch);
    return r;
}

// The turns by -heading and -pitch evaluate sin and cos of -(-heading) and -(-pitch), which are
// heading and pitch exactly: the very values the angles' arithmetic evaluated.
LeafTurns computeAnglesAndTurns(LeafFrame &f) {
    const HeadingPitchTrig trig = computeAnglesKeepingTrig(f);
    LeafTurns r;
    r.intoY = {trig.sinHeading, trig.cosHeading};
    r.intoZ = {trig.sinPitch, trig.cosPitch};
    finishTurns(f, r);
    return r;
}

}  // namespace vistrel
