// The point turns the module ships, held to the plain operations directly: each of the sixteen
// specialisations, compiled for the build's instruction set and (where the processor has it) for
// AVX, one point at a time, and with AVX a leaf's points turned ahead at once, on hostile points.
// The module's own tests see only the compilation its processor picks; these see both. (Without
// AVX here, the AVX cases are skipped.)
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <set>
#include <vector>

#include "leaf/aimed_leaf.h"
#include "leaf/leaf_turns.h"
#include "testkit/plain_turn.h"

namespace {

using testkit::LeafFrame;
using testkit::Vector3;

bool sameBits(const double (&a)[3], const Vector3 &b) {
    const double c[3] = {b.x, b.y, b.z};
    return std::memcmp(a, c, sizeof c) == 0;
}

// A leaf aimed at a target as evaluate aims it, and the plain operations' turn of any point.
struct AimedCase {
    LeafFrame frame;  // axes as measured; the plain operations work out its angles
    vistrel::LeafTurns turns;
    Vector3 pivot;
    Vector3 target;
    bool heading = true, pitch = true;
    vistrel::AimedLeaf aim;

    void aimIt() {
        LeafFrame worked = frame;
        turns = vistrel::computeAnglesAndTurns(worked);
        aim.takeUp(0, turns, pivot);
        aim.asked[0] = target.x, aim.asked[1] = target.y, aim.asked[2] = target.z;
        aim.aimAtAsked(pitch, heading);
    }

    Vector3 expected(const Vector3 &p) const {
        LeafFrame plain = frame;
        testkit::computeAngles(plain);
        const Vector3 turned = testkit::plainTurn(plain, pivot, p, target, heading, pitch);
        return vistrel::isFinite(turned) ? turned : p;
    }

    // The index of the specialisation aimAtAsked chose.
    std::size_t chosen() const {
        const vistrel::PointTurn *table = vistrel::pointTurns(vistrel::processorHasAvx());
        for (std::size_t k = 0; k < 16; ++k)
            if (table[k] == aim.turnPoint) return k;
        return 16;
    }
};

// Random leaves, targets and points.
class TurnCases {
  protected:
    float coordinate() {
        switch (std::uniform_int_distribution<int>(0, 11)(random_)) {
            case 0:
                return 0.0f;
            case 1:
                return -0.0f;
            case 2:
                return std::numeric_limits<float>::infinity();
            case 3:
                return std::numeric_limits<float>::quiet_NaN();
            case 4:
                return 3e38f;
            case 5:
                return 1e-40f;
            default:
                return std::uniform_real_distribution<float>(-10, 10)(random_);
        }
    }
    float ordinary() { return std::uniform_real_distribution<float>(-10, 10)(random_); }
    bool chance() { return std::bernoulli_distribution(0.5)(random_); }

    // A leaf whose frame pitch and bank are zero or not, aimed at a target in its plane or not,
    // with either alignment on or off: every specialisation comes up.
    AimedCase randomCase() {
        AimedCase c;
        c.frame.axis0 = {std::abs(ordinary()) + 0.5, chance() ? 0.0 : ordinary(),
                         chance() ? 0.0 : ordinary()};
        c.frame.axis1 = {ordinary(), ordinary(), chance() ? 0.0 : ordinary()};
        c.pivot = {ordinary(), ordinary(), ordinary()};
        c.target = chance() ? c.pivot : Vector3{ordinary(), ordinary(), ordinary()};
        c.heading = chance();
        c.pitch = chance();
        c.aimIt();
        return c;
    }

    // Calls check(aimedCase, specialisation, round) on random aimed leaves, enough of them that
    // every specialisation comes up.
    template <typename Check>
    void eachCase(Check check) {
        std::set<std::size_t> seen;
        for (int round = 0; round < 1200; ++round) {
            AimedCase c = randomCase();
            const std::size_t k = c.chosen();
            ASSERT_LT(k, 16u);
            seen.insert(k);
            check(c, k, round);
        }
        EXPECT_EQ(seen.size(), 16u) << "specialisations taken: " << testing::PrintToString(seen);
    }

    std::mt19937 random_{20261208};
};

// Parameter: the turns compiled for AVX.
class PointTurns : public TurnCases, public testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        if (GetParam() && !vistrel::processorHasAvx()) GTEST_SKIP() << "no AVX here";
    }
};

// The points of a leaf turned ahead: with AVX only.
class PointsTurnedAhead : public TurnCases, public testing::Test {
  protected:
    void SetUp() override {
        if (!vistrel::processorHasAvx()) GTEST_SKIP() << "no AVX here";
        ASSERT_NE(vistrel::aheadTurns(true), nullptr);
        EXPECT_EQ(vistrel::aheadTurns(false), nullptr) << "two to a register cost more than one";
    }
};

TEST_P(PointTurns, EverySpecialisationOnePointAtATimeGivesThePlainBits) {
    std::size_t differ = 0, compared = 0;
    eachCase([&](AimedCase &c, std::size_t k, int) {
        const vistrel::PointTurn turn = vistrel::pointTurns(GetParam())[k];
        for (int n = 0; n < 8; ++n) {
            const Vector3 p{coordinate(), coordinate(), coordinate()};
            double position[3] = {p.x, p.y, p.z};
            turn(c.aim, position);
            ++compared;
            if (!sameBits(position, c.expected(p))) ++differ;
        }
    });
    EXPECT_EQ(differ, 0u) << "of " << compared;
}

TEST_F(PointsTurnedAhead, EverySpecialisationGivesThePlainBitsForEveryLeafSize) {
    std::size_t differ = 0, compared = 0;
    eachCase([&](AimedCase &c, std::size_t k, int round) {
        const auto count = static_cast<std::int32_t>(1 + round % vistrel::AimedLeaf::maxAhead);
        std::vector<std::array<float, 3>> points(static_cast<std::size_t>(count));
        for (auto &p : points) p = {coordinate(), coordinate(), coordinate()};
        c.aim.turnAhead = vistrel::aheadTurns(true)[k];
        c.aim.turnAheadFrom(reinterpret_cast<const float(*)[3]>(points.data()), count);
        ASSERT_EQ(c.aim.aheadCount, count);
        for (std::int32_t i = 0; i < count; ++i) {
            const auto &q = points[static_cast<std::size_t>(i)];
            const Vector3 p{q[0], q[1], q[2]};
            double position[3] = {p.x, p.y, p.z};
            c.aim.at = i;
            c.aim.point = position;
            ++compared;
            if (!c.aim.takeAhead() || !sameBits(position, c.expected(p))) ++differ;
        }
    });
    EXPECT_EQ(differ, 0u) << "of " << compared;
}

// A point turned ahead stands only for a position with its bits, and only at its own place.
TEST_F(PointsTurnedAhead, APositionOtherThanTheOneTurnedAheadIsNotTakenFromThere) {
    AimedCase c = randomCase();
    c.aim.turnAhead = vistrel::aheadTurns(true)[c.chosen()];
    const float points[4][3] = {{1, 2, 3}, {4, 5, 6}, {-0.0f, 1, 1}, {2, 2, 2}};
    c.aim.turnAheadFrom(points, 4);
    double position[3] = {1, 2, 3};
    c.aim.point = position;
    c.aim.at = 1;
    EXPECT_FALSE(c.aim.takeAhead()) << "another point's position";
    c.aim.at = 2;
    position[0] = 0.0, position[1] = 1, position[2] = 1;
    EXPECT_FALSE(c.aim.takeAhead()) << "a zero's sign";
    position[0] = -0.0;
    EXPECT_TRUE(c.aim.takeAhead());
    c.aim.at = 4;
    position[0] = 2, position[1] = 2, position[2] = 2;
    EXPECT_FALSE(c.aim.takeAhead()) << "past the points turned ahead";
    c.aim.at = -1;
    EXPECT_FALSE(c.aim.takeAhead()) << "before them";
}

INSTANTIATE_TEST_SUITE_P(Compiled, PointTurns, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool> &info) {
                             return std::string(info.param ? "Avx" : "Baseline");
                         });

}  // namespace
