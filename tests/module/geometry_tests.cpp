// The plain leaf operations the module is held to: rotations' sign convention, zero and NaN angles,
// the square leaf's frame and a randomized round trip.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "testkit/plain_turn.h"

using testkit::LeafFrame;
using testkit::Vector3;

namespace {

// Exact trigonometry is not available; results are compared to within a few ulps of 1.
constexpr double tolerance = 1e-12;
const double pi = std::acos(-1.0);

void expectNear(const Vector3 &actual, const Vector3 &expected, double tol = tolerance) {
    EXPECT_NEAR(actual.x, expected.x, tol);
    EXPECT_NEAR(actual.y, expected.y, tol);
    EXPECT_NEAR(actual.z, expected.z, tol);
}

bool sameBits(const Vector3 &a, const Vector3 &b) {
    return std::memcmp(&a, &b, sizeof(Vector3)) == 0;
}

Vector3 transformed(const LeafFrame &f, Vector3 v, Vector3 o, bool into) {
    if (into) {
        testkit::toLeafFrame(f, {&v, 1}, o);
    } else {
        testkit::fromLeafFrame(f, {&v, 1}, o);
    }
    return v;
}

}  // namespace

TEST(ExactQuarterTurns, EachAxisTurnsByTheNegatedAngle) {
    expectNear(testkit::rotateX({0, 1, 0}, pi / 2), {0, 0, -1});
    expectNear(testkit::rotateY({1, 0, 0}, pi / 2), {0, 0, 1});
    expectNear(testkit::rotateZ({1, 0, 0}, pi / 2), {0, -1, 0});
}

TEST(ExactQuarterTurns, RotationsLeaveTheirOwnAxisAlone) {
    EXPECT_EQ(testkit::rotateX({3, 0, 0}, 0.7).x, 3.0);
    EXPECT_EQ(testkit::rotateY({0, 3, 0}, 0.7).y, 3.0);
    EXPECT_EQ(testkit::rotateZ({0, 0, 3}, 0.7).z, 3.0);
}

TEST(ZeroAngles, XAndZTurnsReturnTheInputBitForBitForBothZeros) {
    const Vector3 v{std::numeric_limits<double>::infinity(), -0.0, 1e300};
    EXPECT_TRUE(sameBits(testkit::rotateX(v, 0.0), v));
    EXPECT_TRUE(sameBits(testkit::rotateX(v, -0.0), v));
    EXPECT_TRUE(sameBits(testkit::rotateZ(v, 0.0), v));
    EXPECT_TRUE(sameBits(testkit::rotateZ(v, -0.0), v));
}

TEST(ZeroAngles, YTurnIsAlwaysComputed) {
    EXPECT_EQ(testkit::rotateY({1.5, -2, 3}, 0.0), (Vector3{1.5, -2, 3}));
    const Vector3 r = testkit::rotateY({std::numeric_limits<double>::infinity(), 0, 0}, 0.0);
    EXPECT_TRUE(std::isnan(r.x) || std::isnan(r.z));
}

TEST(NotANumberAngles, XAndZTurnsReturnTheInputWhileYTurnGivesNaN) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Vector3 v{1, 2, 3};
    EXPECT_TRUE(sameBits(testkit::rotateX(v, nan), v));
    EXPECT_TRUE(sameBits(testkit::rotateZ(v, nan), v));
    const Vector3 r = testkit::rotateY(v, nan);
    EXPECT_TRUE(std::isnan(r.x));
    EXPECT_EQ(r.y, 2.0);
    EXPECT_TRUE(std::isnan(r.z));
}

TEST(Negation, FlipsEverySignIncludingZero) {
    const Vector3 n = vistrel::negate({1, -2, 0});
    EXPECT_EQ(n, (Vector3{-1, 2, 0}));
    EXPECT_TRUE(std::signbit(n.z));
}

TEST(LeafFrameAngles, AllZeroFrameGivesZeroAnglesAndOnlyShiftsByTheOffset) {
    LeafFrame f;
    testkit::computeAngles(f);
    EXPECT_EQ(f.heading, 0.0);
    EXPECT_EQ(f.pitch, 0.0);
    EXPECT_EQ(f.bank, 0.0);
    EXPECT_EQ(transformed(f, {4, 5, 6}, {1, 2, 3}, true), (Vector3{3, 3, 3}));
    EXPECT_EQ(transformed(f, {3, 3, 3}, {1, 2, 3}, false), (Vector3{4, 5, 6}));
}

TEST(LeafFrameAngles, SquareLeafFrameIsPitchedAQuarterTurnDownTheDiagonal) {
    LeafFrame f;
    f.axis0 = {4.0 / 9, -4.0 / 9, 0};
    f.axis1 = {2.0 / 3, 2.0 / 3, 0};
    testkit::computeAngles(f);
    EXPECT_EQ(f.heading, 0.0);
    EXPECT_NEAR(f.pitch, pi / 4, tolerance);
    EXPECT_EQ(f.bank, 0.0);
    EXPECT_TRUE(std::signbit(f.bank));

    const double r2 = std::sqrt(2.0);
    expectNear(transformed(f, f.axis0, {}, true), {4 * r2 / 9, 0, 0});
    expectNear(transformed(f, f.axis1, {}, true), {0, 2 * r2 / 3, 0});
    expectNear(transformed(f, {1, 0, 0}, {}, true), {r2 / 2, r2 / 2, 0});
}

TEST(LeafFrameAngles, FirstAxisLandsOnPositiveXAndSecondInTheUpperXYPlane) {
    std::mt19937_64 rng(20261207);
    std::uniform_real_distribution<double> coord(-5.0, 5.0);
    for (int i = 0; i < 1000; ++i) {
        LeafFrame f;
        f.axis0 = {coord(rng), coord(rng), coord(rng)};
        f.axis1 = {coord(rng), coord(rng), coord(rng)};
        testkit::computeAngles(f);
        const Vector3 a0 = transformed(f, f.axis0, {}, true);
        const Vector3 a1 = transformed(f, f.axis1, {}, true);
        const double length0 =
            std::sqrt(f.axis0.x * f.axis0.x + f.axis0.y * f.axis0.y + f.axis0.z * f.axis0.z);
        const double scale = 1e-9 * (1 + length0);
        EXPECT_NEAR(a0.x, length0, scale);
        EXPECT_NEAR(a0.y, 0.0, scale);
        EXPECT_NEAR(a0.z, 0.0, scale);
        EXPECT_NEAR(a1.z, 0.0, 1e-9 * 10);
        EXPECT_GE(a1.y, -1e-9);
    }
}

TEST(RandomizedRoundTrip, FromUndoesToForAnyFrameAndOffset) {
    std::mt19937_64 rng(71);
    std::uniform_real_distribution<double> coord(-100.0, 100.0);
    std::uniform_real_distribution<double> angle(-4.0, 4.0);
    for (int i = 0; i < 10000; ++i) {
        LeafFrame f;
        f.heading = angle(rng);
        f.pitch = angle(rng);
        f.bank = angle(rng);
        const Vector3 o{coord(rng), coord(rng), coord(rng)};
        const Vector3 v{coord(rng), coord(rng), coord(rng)};
        const Vector3 back = transformed(f, transformed(f, v, o, true), o, false);
        expectNear(back, v, 1e-10);
    }
}
