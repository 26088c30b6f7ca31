// A scene of many items: the stand-in host answers the module's item walks in constant time a step,
// so that a target index past a 20,000-item list (which the module walks anew per point) and the
// options panel's target popup of 20,000 entries still play in seconds.
#include "tests/cli/command_process.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

namespace fs = std::filesystem;

TEST(ManyItems, TwentyThousandItemsWithATargetPastTheListPlayThreeFramesOfTheDemoBush) {
    const testkit::ScratchFolder folder;
    constexpr int items = 20000;
    {
        std::ofstream scene(folder / "crowd.json");
        scene << R"({"format": 1, "frames": {"start": 0, "end": 2, "fps": 24}, "items": [)"
              << R"({"name": "Bush", "position": [0, 0, 0], "mesh": {"file": ")"
              << (fs::path(VISTREL_EXAMPLES) / "bush.obj").string() << R"("}})";
        for (int i = 1; i < items; ++i)
            scene << R"(, {"name": "Stone )" << i << R"(", "position": [)" << i << ", 0, 0]}";
        scene << R"(], "displacements": [{"object": "Bush", "data": [4, )" << items + 5
              << R"(, 0, 1, 1]}]})";
    }
    const clitest::CommandOutcome run =
        clitest::runVistrelle({"run", (folder / "crowd.json").string(), "--out",
                               (folder / "out").string(), "--no-obj", "--no-svg", "--jobs", "1"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("Ran 3 frames"), std::string::npos) << run.out;
}

}  // namespace
