// Heap use of the module: a frame allocates nothing, and an instance's memory is a fixed part plus
// a part that grows linearly with its leaves, each within its stated bound, in a few blocks
// whatever the leaf count. Allocations are counted by this executable's replaced operator new and
// malloc, which the module binds to when it is loaded; only the module's entries run while counting
// is on.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "hostsim/host.h"
#include "testkit/allocation_counter.h"

namespace {

// The stated bounds of an instance's memory: its record (with room for the points of a leaf of up
// to eight turned ahead), what each leaf adds, and what each of its points adds (its position as
// the scan fetched it, kept to find unchanged leaves).
constexpr std::size_t fixedBytesBound = 896;
constexpr std::size_t bytesPerLeafBound = 256;
constexpr std::size_t bytesPerPointBound = 12;
constexpr std::size_t pointsPerLeaf = 4;

// Settings as the scene stores them: leafPoints, targetIndex, pivotType, headingAlign, pitchAlign.
const std::vector<std::int32_t> cameraBothAlignments{4, 2, 0, 1, 1};
const std::vector<std::int32_t> noTarget{4, 0, 0, 1, 1};

// Unit squares side by side along X, four points each; a count that is not a multiple of four ends
// in a partial square.
hostsim::Mesh squares(std::size_t points) {
    static constexpr float corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    hostsim::Mesh mesh;
    for (std::size_t i = 0; i < points; ++i) {
        const auto &c = corners[i % 4];
        mesh.points.push_back({c[0] + 2.0f * static_cast<float>(i / 4), c[1], 0.0f});
    }
    return mesh;
}

// A camera circling the origin once over the scene's 48 frames.
hostsim::Motion circlingCamera() {
    hostsim::Motion motion;
    for (int k = 0; k <= 8; ++k) {
        const double angle = k * 3.14159265358979 / 4;
        motion.keys.push_back({k * 0.25, {10 * std::cos(angle), 2, 10 * std::sin(angle)}});
    }
    return motion;
}

// Item 0 "Bush" with `points`, item 1 "Camera"; a displacement of the bush when `settings` is
// given.
hostsim::Scene bushScene(std::size_t points, std::optional<std::vector<std::int32_t>> settings) {
    hostsim::Scene scene;
    scene.items.push_back({"Bush", hostsim::Motion::fixed({}), squares(points)});
    scene.items.push_back({"Camera", circlingCamera(), std::nullopt});
    scene.frames = {0, 47, 24.0};
    if (settings) scene.displacements.push_back({0, "Vistrelle", settings});
    return scene;
}

std::string describeCount(const testkit::AllocationCount &c) {
    return std::to_string(c.newCalls) + " operator new (" + std::to_string(c.newBytes) +
           " bytes), " + std::to_string(c.mallocCalls) + " malloc (" +
           std::to_string(c.mallocBytes) + " bytes)";
}

// --- The counter itself: it counts while a scope is open, and nothing else.

TEST(AllocationCounter, CountsOperatorNewOnlyWhileAScopeIsOpen) {
    void *before = ::operator new(40);
    testkit::AllocationCount inside;
    {
        testkit::CountingScope counting;
        void *during = ::operator new(24);
        ::operator delete(during);
        inside = counting.counted();
    }
    void *after = ::operator new(8);
    ::operator delete(after);
    ::operator delete(before);
    EXPECT_EQ(inside.newCalls, 1u);
    EXPECT_EQ(inside.newBytes, 24u);
    EXPECT_EQ(inside.deleteCalls, 1u);
}

TEST(AllocationCounter, CountsMallocWhereTheBuildAllowsIt) {
    if (!testkit::countsMalloc())
        GTEST_SKIP() << "AddressSanitizer owns malloc in this build; operator new is still counted";
    testkit::CountingScope counting;
    void *volatile block = std::malloc(100);
    std::free(block);
    EXPECT_EQ(counting.counted().mallocCalls, 1u);
    EXPECT_EQ(counting.counted().mallocBytes, 100u);
}

// --- A frame: newTime and one evaluate per point, counted around the module's entries only.

struct FrameCase {
    const char *name;
    std::size_t points;
    std::vector<std::int32_t> settings;
    bool newTimeBeforeEveryPass;
};

void PrintTo(const FrameCase &c, std::ostream *out) { *out << c.name; }

class FrameAllocations : public testing::TestWithParam<FrameCase> {};

TEST_P(FrameAllocations, TheModuleAllocatesNothing) {
    const FrameCase &c = GetParam();
    hostsim::Host host(VISTREL_MODULE_FILE, bushScene(c.points, c.settings));
    void *instance = host.displacementInstances().front();
    std::vector<PointAccess> fresh;
    for (std::size_t i = 0; i < c.points; ++i) fresh.push_back(host.pointAccess(instance, i));

    testkit::AllocationCount total;
    std::size_t moved = 0;
    for (std::int32_t frame = 0; frame < 3; ++frame) {
        std::vector<PointAccess> accesses = fresh;
        {
            testkit::CountingScope counting;
            if (frame == 0 || c.newTimeBeforeEveryPass) host.newTime(instance, frame * 5);
            for (PointAccess &access : accesses) host.evaluate(instance, access);
            const testkit::AllocationCount counted = counting.counted();
            total.newCalls += counted.newCalls;
            total.newBytes += counted.newBytes;
            total.mallocCalls += counted.mallocCalls;
            total.mallocBytes += counted.mallocBytes;
        }
        for (std::size_t i = 0; i < accesses.size(); ++i)
            if (accesses[i].position[0] != fresh[i].position[0] ||
                accesses[i].position[2] != fresh[i].position[2])
                ++moved;
    }
    EXPECT_EQ(total.allocations(), 0u) << describeCount(total);
    if (c.settings[1] != 0 && c.points >= 4) {
        EXPECT_GT(moved, 0u) << "the frames turned no point";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Frames, FrameAllocations,
    testing::Values(FrameCase{"ThousandLeavesTurnedTowardAMovingCamera", 4000, cameraBothAlignments,
                              true},
                    FrameCase{"NoTargetChosen", 4000, noTarget, true},
                    FrameCase{"TrailingPointsOfAPartialLeaf", 10, cameraBothAlignments, true},
                    FrameCase{"PassesWithoutNewTime", 4000, cameraBothAlignments, false},
                    FrameCase{"EmptyMesh", 0, cameraBothAlignments, true}),
    [](const testing::TestParamInfo<FrameCase> &info) { return std::string(info.param.name); });

// --- An instance: create counted alone. These also prove that the counter sees the module's
// allocations, without which the zero counts above would prove nothing.

class InstanceMemory : public testing::Test {
  protected:
    // Creates an instance on a bush of `points` through the handler's create entry, counting only
    // that call; then destroys it, counting that too.
    struct Counts {
        testkit::AllocationCount created;
        testkit::AllocationCount destroyed;
    };
    static Counts createAndDestroy(std::size_t points) {
        hostsim::Host host(VISTREL_MODULE_FILE, bushScene(points, std::nullopt));
        const ItemId bush = host.scene().itemId(0);
        host.scene().meshOf(bush);  // the host makes its mesh record now, outside the count
        Counts counts;
        void *instance = nullptr;
        {
            testkit::CountingScope counting;
            instance = host.handler().instanceOps.create(nullptr, bush);
            counts.created = counting.counted();
        }
        EXPECT_NE(instance, nullptr);
        testkit::CountingScope counting;
        host.handler().instanceOps.destroy(instance);
        counts.destroyed = counting.counted();
        return counts;
    }
};

TEST_F(InstanceMemory, GrowsLinearlyWithTheLeavesWithinTheStatedBounds) {
    const Counts none = createAndDestroy(0);
    const Counts thousand = createAndDestroy(4000);
    const Counts twoThousand = createAndDestroy(8000);
    const std::size_t fixed = none.created.newBytes;
    const std::size_t perThousand = thousand.created.newBytes - fixed;
    EXPECT_GT(fixed, 0u)
        << "the counter sees the module's allocations, or the zero counts above prove nothing";
    EXPECT_LE(fixed, fixedBytesBound);
    EXPECT_EQ(twoThousand.created.newBytes - thousand.created.newBytes, perThousand)
        << "linear in the leaves";
    EXPECT_GT(perThousand, 0u);
    EXPECT_LE(perThousand, 1000 * (bytesPerLeafBound + pointsPerLeaf * bytesPerPointBound));
}

TEST_F(InstanceMemory, TakesAFewBlocksWhateverTheLeafCount) {
    const Counts one = createAndDestroy(4);
    const Counts many = createAndDestroy(4000);
    const Counts partial = createAndDestroy(10);
    EXPECT_EQ(many.created.newCalls, one.created.newCalls) << describeCount(many.created);
    EXPECT_EQ(partial.created.newCalls, one.created.newCalls) << describeCount(partial.created);
    EXPECT_LE(many.created.newCalls, 8u);
    if (testkit::countsMalloc()) {
        EXPECT_EQ(many.created.mallocCalls, many.created.newCalls)
            << "no allocation besides operator new";
    }
}

TEST_F(InstanceMemory, DestroyReleasesEveryBlockAndAllocatesNothing) {
    for (const std::size_t points : {0u, 4u, 10u, 4000u}) {
        const Counts counts = createAndDestroy(points);
        EXPECT_EQ(counts.destroyed.deleteCalls, counts.created.newCalls) << points << " points";
        EXPECT_EQ(counts.destroyed.allocations(), 0u) << describeCount(counts.destroyed);
    }
}

}  // namespace
