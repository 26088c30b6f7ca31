// The module's turned positions, bit for bit against the plain arithmetic of the leaf operations
// (testkit's computeAngles, toLeafFrame, rotateX, rotateY, fromLeafFrame, each evaluating its own
// sines and cosines), on random scenes full of hostile values: zero, -0 and NaN angles, coincident,
// collinear, huge, tiny and non-finite points, targets that move within a leaf or come back with a
// zero's sign flipped, meshes that change between passes and settings changed in the middle of one.
// The module keeps sines and cosines from point to point; these scenes are where that could show.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>
#include <random>
#include <sstream>
#include <vector>

#include "hostsim/host.h"
#include "panel/panel_tables.h"
#include "testkit/plain_turn.h"

namespace {

using testkit::LeafFrame;
using testkit::Vector3;
using Points = std::vector<std::array<float, 3>>;

// The positions the stand-in host hands out as the target's, one per itemParam call, in call order.
struct TargetScript {
    std::vector<Vector3> positions;
    std::size_t calls = 0;
};
TargetScript *script = nullptr;

extern "C" void scriptedItemParam(ItemId, std::int32_t, double, double out[3]) {
    const std::size_t at = script->calls++;
    const Vector3 t = at < script->positions.size() ? script->positions[at] : Vector3{};
    out[0] = t.x, out[1] = t.y, out[2] = t.z;
}

Vector3 widened(const std::array<float, 3> &p) { return {p[0], p[1], p[2]}; }

bool sameBits(const hostsim::Position &a, const hostsim::Position &b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// One leaf as the scan measures it: pivot by `pivotType`, centre of the points after the first,
// axes.
struct MeasuredLeaf {
    LeafFrame frame;
    Vector3 pivot;
};

std::vector<MeasuredLeaf> measure(const Points &points, std::int32_t leafPoints,
                                  std::int32_t pivotType) {
    std::vector<MeasuredLeaf> leaves;
    const auto n = static_cast<std::size_t>(leafPoints);
    for (std::size_t first = 0; first + n <= points.size(); first += n) {
        MeasuredLeaf leaf;
        const Vector3 p0 = widened(points[first]);
        Vector3 pivot = p0, edge, centre;
        for (std::size_t c = 1; c < n; ++c) {
            const Vector3 p = widened(points[first + c]);
            if (pivotType == 1 && c == 1) pivot = (pivot + p) / 2.0;
            if (pivotType == 2 && c == n - 1) pivot = (pivot + p) / 2.0;
            if (pivotType == 3 && c == n - 1) pivot = p;
            if (c == 1) edge = p - p0;
            centre = centre + p;
        }
        centre = centre / static_cast<double>(n - 1);
        leaf.frame.axis1 = centre - pivot;
        leaf.frame.axis2 = vistrel::cross(leaf.frame.axis1, edge);
        leaf.frame.axis0 = vistrel::cross(leaf.frame.axis2, leaf.frame.axis1);
        leaf.pivot = pivot;
        leaves.push_back(leaf);
    }
    return leaves;
}

// One point turned by the plain operations, or its base position when the result is not finite.
hostsim::Position referenceTurn(const MeasuredLeaf &leaf, Vector3 p, Vector3 t, bool heading,
                                bool pitch) {
    const Vector3 base = p;
    p = testkit::plainTurn(leaf.frame, leaf.pivot, p, t, heading, pitch);
    if (!vistrel::isFinite(p)) p = base;
    return {p.x, p.y, p.z};
}

// Hostile values for points and targets.
class Hostile {
  public:
    explicit Hostile(std::uint32_t seed) : random_(seed) {}

    std::size_t pick(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
    }
    double uniform(double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(random_);
    }
    bool chance(double p) { return std::bernoulli_distribution(p)(random_); }

    // A coordinate: ordinary, a zero of either sign, huge, tiny, subnormal or not finite.
    float coordinate() {
        constexpr float inf = std::numeric_limits<float>::infinity();
        switch (pick(12)) {
            case 0:
                return 0.0f;
            case 1:
                return -0.0f;
            case 2:
                return static_cast<float>(uniform(-1e38, 1e38));
            case 3:
                return static_cast<float>(uniform(-1e-30, 1e-30));
            case 4:
                return static_cast<float>(uniform(-1e-40, 1e-40));
            case 5:
                return chance(0.5) ? inf : -inf;
            case 6:
                return std::numeric_limits<float>::quiet_NaN();
            case 7:
                return static_cast<float>(std::round(uniform(-3, 3)));
            default:
                return static_cast<float>(uniform(-10, 10));
        }
    }

    std::array<float, 3> point() { return {ordinary(), ordinary(), ordinary()}; }

    // One leaf of `n` points of a random kind.
    void leaf(Points &out, std::size_t n) {
        const std::array<float, 3> a = point(), b = point();
        switch (pick(8)) {
            case 0:  // coincident
                for (std::size_t i = 0; i < n; ++i) out.push_back(a);
                break;
            case 1:  // collinear
                for (std::size_t i = 0; i < n; ++i) {
                    const auto k = static_cast<float>(i);
                    out.push_back({a[0] + k * b[0], a[1] + k * b[1], a[2] + k * b[2]});
                }
                break;
            case 2:  // in a coordinate plane, its zeros of either sign: zero and -0 angles
                for (std::size_t i = 0; i < n; ++i) {
                    std::array<float, 3> p = point();
                    p[pick(3)] = chance(0.5) ? 0.0f : -0.0f;
                    out.push_back(p);
                }
                break;
            case 3:  // any coordinate hostile
                for (std::size_t i = 0; i < n; ++i)
                    out.push_back({coordinate(), coordinate(), coordinate()});
                break;
            default:  // an ordinary card
                for (std::size_t i = 0; i < n; ++i) out.push_back(point());
        }
    }

    // A target position: ordinary, hostile, or the pivot itself.
    Vector3 target(const Vector3 &pivot) {
        switch (pick(6)) {
            case 0:
                return pivot;
            case 1:
                return {coordinate(), coordinate(), coordinate()};
            case 2:
                return {pivot.x, pivot.y - uniform(1, 5),
                        pivot.z};  // straight below the pivot in object space
            default:
                return {uniform(-20, 20), uniform(-20, 20), uniform(-20, 20)};
        }
    }

  private:
    float ordinary() {
        return chance(0.15) ? (chance(0.5) ? 0.0f : -0.0f) : static_cast<float>(uniform(-10, 10));
    }

    std::mt19937 random_;
};

// Flips the sign of one zero of `v`, if it has one: the same value, other bits.
Vector3 zeroSignFlipped(Vector3 v) {
    for (double *c : {&v.x, &v.y, &v.z})
        if (*c == 0.0) {
            *c = -*c;
            break;
        }
    return v;
}

struct Mismatch {
    std::size_t count = 0;
    std::string first;
};

// Plays `passes` passes of a random scene through the module and through the reference, point by
// point.
void playRandomScene(std::uint32_t seed, int passes, Mismatch &mismatch, std::size_t &compared) {
    Hostile hostile(seed);
    const auto leafPoints = static_cast<std::int32_t>(2 + hostile.pick(5));
    const std::size_t leaves = 1 + hostile.pick(60);
    Points points;
    for (std::size_t k = 0; k < leaves; ++k)
        hostile.leaf(points, static_cast<std::size_t>(leafPoints));
    for (std::size_t k = hostile.pick(static_cast<std::size_t>(leafPoints)); k > 0; --k)
        points.push_back(hostile.point());

    hostsim::Scene scene;
    scene.items.push_back(
        {"Leaves", hostsim::Motion::fixed({}), hostsim::Mesh{points, "", nullptr, nullptr}});
    scene.items.push_back({"Target", hostsim::Motion::fixed({}), std::nullopt});
    scene.frames = {0, passes, 24.0};
    std::int32_t pivotType = static_cast<std::int32_t>(hostile.pick(5));
    std::int32_t heading = static_cast<std::int32_t>(hostile.pick(3)),
                 pitch = static_cast<std::int32_t>(hostile.pick(3));
    scene.displacements.push_back(
        {0, "Vistrelle", std::vector<std::int32_t>{leafPoints, 2, pivotType, heading, pitch}});
    hostsim::Host host(VISTREL_MODULE_FILE, scene);
    host.scene().itemInfo()->itemParam = &scriptedItemParam;
    void *instance = host.displacementInstances().at(0);
    const auto opened = host.openPanel(instance);
    ASSERT_NE(opened.panel, nullptr);

    for (int pass = 0; pass < passes; ++pass) {
        auto &mesh = host.scene().item(0).mesh->points;
        if (pass > 0) {
            // Most leaves keep their points to the bit; some are made anew, moved, or have a zero
            // flipped.
            for (std::size_t k = 0; k < leaves; ++k) {
                const std::size_t first = k * static_cast<std::size_t>(leafPoints);
                switch (hostile.pick(10)) {
                    case 0: {
                        Points fresh;
                        hostile.leaf(fresh, static_cast<std::size_t>(leafPoints));
                        std::copy(fresh.begin(), fresh.end(),
                                  mesh.begin() + static_cast<std::ptrdiff_t>(first));
                        break;
                    }
                    case 1:
                        for (std::size_t i = 0; i < static_cast<std::size_t>(leafPoints); ++i)
                            mesh[first + i][1] += 1.0f;
                        break;
                    case 2:
                        for (float &c :
                             mesh[first + hostile.pick(static_cast<std::size_t>(leafPoints))])
                            if (c == 0.0f) c = -c;
                        break;
                    default:
                        break;
                }
            }
        }
        const Points now = mesh;

        // The target moves within leaves, stays put over runs of points, and comes back with a
        // zero's sign flipped.
        std::vector<MeasuredLeaf> measured;  // by the pivot rule in force when the pass starts
        TargetScript targets;
        script = &targets;
        host.newTime(instance, pass);
        const std::size_t turned = static_cast<std::size_t>(leafPoints) * leaves;
        Vector3 t = hostile.target({});
        for (std::size_t i = 0; i < now.size(); ++i) {
            if (hostile.chance(0.03)) {
                heading = static_cast<std::int32_t>(hostile.pick(3));
                opened.panel->set(CTL_H_ALIGN, heading);
            }
            if (hostile.chance(0.03)) {
                pitch = static_cast<std::int32_t>(hostile.pick(3));
                opened.panel->set(CTL_P_ALIGN, pitch);
            }
            if (hostile.chance(0.02)) {
                pivotType = static_cast<std::int32_t>(hostile.pick(5));
                opened.panel->set(CTL_PIVOT_TYPE, pivotType);
            }
            if (i == 0) measured = measure(now, leafPoints, pivotType);
            hostsim::Position expected{now[i][0], now[i][1], now[i][2]};
            if (i < turned) {
                const MeasuredLeaf &leaf = measured[i / static_cast<std::size_t>(leafPoints)];
                if (i % static_cast<std::size_t>(leafPoints) == 0)
                    testkit::computeAngles(
                        measured[i / static_cast<std::size_t>(leafPoints)].frame);
                if (hostile.chance(0.3))
                    t = hostile.chance(0.3) ? zeroSignFlipped(t) : hostile.target(leaf.pivot);
                targets.positions.push_back(t);
                expected = referenceTurn(leaf, widened(now[i]), t, heading == 1, pitch == 1);
            }
            const hostsim::Position actual = host.evaluatePoint(instance, i);
            ++compared;
            if (!sameBits(actual, expected) && mismatch.count++ == 0) {
                std::ostringstream what;
                what.precision(17);
                what << "seed " << seed << " pass " << pass << " point " << i << ": (" << actual[0]
                     << ", " << actual[1] << ", " << actual[2] << ") instead of (" << expected[0]
                     << ", " << expected[1] << ", " << expected[2] << ")";
                mismatch.first = what.str();
            }
        }
        EXPECT_EQ(targets.calls, targets.positions.size())
            << "seed " << seed << ": one target query per turned point";
        script = nullptr;
    }
    EXPECT_EQ(host.scene().counters().meshScanPoints, static_cast<std::size_t>(passes))
        << "seed " << seed << ": one scan per pass";
}

TEST(ReferenceBits, RandomHostileScenesTurnEveryPointToTheBitsOfThePlainOperations) {
    Mismatch mismatch;
    std::size_t compared = 0;
    for (std::uint32_t seed = 1; seed <= 120; ++seed) playRandomScene(seed, 4, mismatch, compared);
    EXPECT_EQ(mismatch.count, 0u) << "of " << compared << " points; first: " << mismatch.first;
    EXPECT_GT(compared, 20000u);
}

// The bush of the demo: ordinary cards, a camera circling it, every leaf unchanged from pass to
// pass.
TEST(ReferenceBits, UnchangedLeavesAndACirclingTargetGiveThePlainBitsPassAfterPass) {
    Hostile hostile(7);
    Points points;
    for (int k = 0; k < 500; ++k) hostile.leaf(points, 4);
    Mismatch mismatch;
    std::size_t compared = 0;
    for (const std::int32_t pivotType : {0, 1, 2, 3}) {
        hostsim::Scene scene;
        scene.items.push_back(
            {"Bush", hostsim::Motion::fixed({}), hostsim::Mesh{points, "", nullptr, nullptr}});
        hostsim::Motion camera;
        for (int k = 0; k <= 8; ++k)
            camera.keys.push_back(
                {k * 0.25, {10 * std::cos(k * 0.785), 2, 10 * std::sin(k * 0.785)}});
        scene.items.push_back({"Camera", camera, std::nullopt});
        scene.frames = {0, 47, 24.0};
        scene.displacements.push_back(
            {0, "Vistrelle", std::vector<std::int32_t>{4, 2, pivotType, 1, 1}});
        hostsim::Host host(VISTREL_MODULE_FILE, scene);
        void *instance = host.displacementInstances().at(0);
        const std::vector<MeasuredLeaf> measured = measure(points, 4, pivotType);
        for (const std::int32_t frame : {0, 5, 6, 30, 30}) {
            const auto moved = host.evaluateFrame(instance, frame);
            const hostsim::Point3 c = scene.items[1].motion.at(scene.frames.timeOf(frame));
            for (std::size_t i = 0; i < points.size(); ++i) {
                MeasuredLeaf leaf = measured[i / 4];
                testkit::computeAngles(leaf.frame);
                const auto expected =
                    referenceTurn(leaf, widened(points[i]), {c.x, c.y, c.z}, true, true);
                ++compared;
                if (!sameBits(moved[i], expected) && mismatch.count++ == 0)
                    mismatch.first = "pivot rule " + std::to_string(pivotType) + " frame " +
                                     std::to_string(frame) + " point " + std::to_string(i);
            }
        }
    }
    EXPECT_EQ(mismatch.count, 0u) << "of " << compared << " points; first: " << mismatch.first;
}

// Every input that a value the module keeps (a leaf's measurement, found unchanged by the bits the
// scan fetched; the leaf aimed at the target; the point turn specialised for the angles that are
// zero) is worked out from, changed alone from one pass to the next or between two points.
class KeptValueInputs : public testing::Test {
  protected:
    static constexpr std::size_t leaves = 24;

    KeptValueInputs() {
        Hostile hostile(11);
        for (std::size_t k = 0; k < leaves; ++k) hostile.leaf(points_, 4);
        // Leaves in coordinate planes and along the axes: zero and -0 pitch and bank angles, so
        // that every specialisation of the point turn is taken.
        points_[0] = {0, 0, 0}, points_[1] = {1, 0, 0}, points_[2] = {1, 1, 0},
        points_[3] = {0, 1, 0};
        points_[4] = {0, 0, 0}, points_[5] = {0, 0, 1}, points_[6] = {0, 1, 1},
        points_[7] = {0, 1, 0};
        points_[8] = {-0.0f, 2, 0}, points_[9] = {1, 2, -0.0f}, points_[10] = {1, 2, 1},
        points_[11] = {0, 2, 1};
        hostsim::Scene scene;
        scene.items.push_back(
            {"Leaves", hostsim::Motion::fixed({}), hostsim::Mesh{points_, "", nullptr, nullptr}});
        scene.items.push_back({"Target", hostsim::Motion::fixed({}), std::nullopt});
        scene.frames = {0, 100, 24.0};
        scene.displacements.push_back({0, "Vistrelle", std::vector<std::int32_t>{4, 2, 0, 1, 1}});
        host_.emplace(VISTREL_MODULE_FILE, scene);
        host_->scene().itemInfo()->itemParam = &scriptedItemParam;
        instance_ = host_->displacementInstances().at(0);
        panel_ = host_->openPanel(instance_).panel;
    }

    std::vector<std::array<float, 3>> &mesh() { return host_->scene().item(0).mesh->points; }

    void set(std::uint32_t control, std::int32_t value) {
        panel_->set(control, value);
        if (control == CTL_LEAF_POINTS) leafPoints_ = value;
        if (control == CTL_PIVOT_TYPE) pivotType_ = value;
        if (control == CTL_H_ALIGN) heading_ = value;
        if (control == CTL_P_ALIGN) pitch_ = value;
    }

    // One pass, the target at `target(i)` for point i; `between(i)` runs before point i is
    // evaluated (a setting changed mid-pass); points for which `untargeted(i)` holds are expected
    // back unchanged, with no target to ask for. Counts the points that differ from the reference.
    std::size_t pass(const std::function<Vector3(std::size_t)> &target,
                     const std::function<void(std::size_t)> &between = {},
                     const std::function<bool(std::size_t)> &untargeted = {}) {
        const Points now = mesh();
        const auto size = static_cast<std::size_t>(leafPoints_);
        const std::size_t turned = size * std::min(leaves, now.size() / size);
        const std::vector<MeasuredLeaf> measured = measure(now, leafPoints_, pivotType_);
        TargetScript targets;
        script = &targets;
        host_->newTime(instance_, ++frame_);
        std::size_t differ = 0;
        for (std::size_t i = 0; i < now.size(); ++i) {
            if (between) between(i);
            hostsim::Position expected{now[i][0], now[i][1], now[i][2]};
            if (i < turned && !(untargeted && untargeted(i))) {
                MeasuredLeaf leaf = measured[i / size];
                testkit::computeAngles(leaf.frame);
                targets.positions.push_back(target(i));
                expected =
                    referenceTurn(leaf, widened(now[i]), target(i), heading_ == 1, pitch_ == 1);
            }
            if (!sameBits(host_->evaluatePoint(instance_, i), expected)) ++differ;
        }
        script = nullptr;
        return differ;
    }

    static Vector3 fixedTarget(std::size_t) { return {7, 3, -5}; }

    Points points_;
    std::optional<hostsim::Host> host_;
    void *instance_ = nullptr;
    hostsim::HostPanel *panel_ = nullptr;
    std::int32_t frame_ = 0, leafPoints_ = 4, pivotType_ = 0, heading_ = 1, pitch_ = 1;
};

TEST_F(KeptValueInputs, APointChangedByOneStepOrAZerosSignAloneIsMeasuredAgain) {
    ASSERT_EQ(pass(fixedTarget), 0u);
    mesh()[45][1] = std::nextafter(mesh()[45][1], 100.0f);
    EXPECT_EQ(pass(fixedTarget), 0u) << "one step of one coordinate";
    mesh()[9][2] = 0.0f;  // was -0
    EXPECT_EQ(pass(fixedTarget), 0u) << "a zero's sign";
    mesh()[47][2] = std::nextafter(mesh()[47][2], -100.0f);
    EXPECT_EQ(pass(fixedTarget), 0u) << "one step of a leaf's last point";
    mesh()[8][0] = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(pass(fixedTarget), 0u) << "a NaN";
    EXPECT_EQ(pass(fixedTarget), 0u) << "the same NaN again";
}

TEST_F(KeptValueInputs, APivotRuleOrLeafSizeChangedAloneMeasuresEveryLeafAgain) {
    ASSERT_EQ(pass(fixedTarget), 0u);
    for (const std::int32_t rule : {1, 2, 3, 7, 0}) {
        set(CTL_PIVOT_TYPE, rule);
        EXPECT_EQ(pass(fixedTarget), 0u) << "pivot rule " << rule;
    }
    set(CTL_LEAF_POINTS, 3);
    EXPECT_EQ(pass(fixedTarget), 0u) << "three points a leaf, the arrays as they were";
    set(CTL_LEAF_POINTS, 4);
    EXPECT_EQ(pass(fixedTarget), 0u) << "back to four";
    // With the arrays made anew for the size, as after a user's change: points kept at it, and up
    // to eight of a leaf's points turned ahead.
    for (const std::int32_t size : {9, 8, 5, 4}) {
        set(CTL_LEAF_POINTS, size);
        panel_->notifyRaw(CTL_LEAF_POINTS, PANEL_EVENT_VALUE_CHANGED);
        EXPECT_EQ(pass(fixedTarget), 0u) << size << " points a leaf, new arrays";
        EXPECT_EQ(pass(fixedTarget), 0u) << size << " points a leaf, its points kept";
    }
}

TEST_F(KeptValueInputs, ATargetMovedByOneStepOrAZerosSignBetweenTwoPointsIsAimedAtAgain) {
    const auto stepAt = [](std::size_t from) {
        return [from](std::size_t i) {
            Vector3 t{7, 0.0, -5};
            if (i >= from) t.x = std::nextafter(7.0, 8.0);
            return t;
        };
    };
    EXPECT_EQ(pass(stepAt(2)), 0u) << "within a leaf";
    EXPECT_EQ(pass(stepAt(4)), 0u) << "at a leaf's first point";
    EXPECT_EQ(pass([](std::size_t i) {
                  return Vector3{7, i % 2 ? -0.0 : 0.0, -5};
              }),
              0u)
        << "a zero's sign, point after point";
}

TEST_F(KeptValueInputs, AnAlignmentSwitchedAloneMidLeafTurnsTheRestOfTheLeafTheNewWay) {
    for (const std::uint32_t control : {CTL_H_ALIGN, CTL_P_ALIGN}) {
        for (const std::int32_t value : {0, 2, 1}) {
            EXPECT_EQ(pass(fixedTarget,
                           [&](std::size_t i) {
                               if (i == 5) set(control, value);
                           }),
                      0u)
                << "control " << control << " set to " << value << " at the second point of a leaf";
        }
    }
}

TEST_F(KeptValueInputs, ATargetChosenAnewMidLeafIsAskedForByTheRestOfThePass) {
    const auto between = [&](std::size_t i) {
        if (i == 5) set(CTL_TARGET, 0);
        if (i == 10) set(CTL_TARGET, 2);
    };
    EXPECT_EQ(pass(fixedTarget, between, [](std::size_t i) { return i >= 5 && i < 10; }), 0u)
        << "none from the second point of a leaf, the target again from the third of the next";
}

TEST_F(KeptValueInputs, APassCutShortMidLeafLeavesTheNextPassToScanAfresh) {
    ASSERT_EQ(pass(fixedTarget), 0u);
    TargetScript targets;
    targets.positions.assign(6, fixedTarget(0));
    script = &targets;
    host_->newTime(instance_, ++frame_);
    for (std::size_t i = 0; i < 6; ++i) host_->evaluatePoint(instance_, i);
    script = nullptr;
    mesh()[1][0] = std::nextafter(mesh()[1][0], 100.0f);
    EXPECT_EQ(pass(fixedTarget), 0u) << "the first leaf moved after a pass stopped in the second";
}

}  // namespace
