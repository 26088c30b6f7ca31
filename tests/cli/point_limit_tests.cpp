// --max-points on the commands that read meshes: a scene or mesh beyond it is refused with one line
// and exit 1 before anything is written; raised, the same input runs.
#include "tests/cli/command_process.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using clitest::runVistrelle;

const fs::path garden = fs::path(VISTREL_RUN_DATA) / "garden.json";
const fs::path cards = fs::path(VISTREL_RUN_DATA) / "cards.obj";

void expectRefusedInOneLine(const clitest::CommandOutcome &outcome, const std::string &named) {
    EXPECT_EQ(outcome.exitCode, 1) << outcome.err;
    EXPECT_EQ(clitest::linesOf(outcome.err).size(), 1u) << outcome.err;
    EXPECT_NE(outcome.err.find(named), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find("more than --max-points allows (5)"), std::string::npos)
        << outcome.err;
}

TEST(PointLimit, EveryCommandThatReadsMeshesRefusesInputBeyondIt) {
    testkit::ScratchFolder dir;
    const clitest::CommandOutcome run =
        runVistrelle({"run", garden.string(), "--out", (dir / "out").string(), "--max-points", "5",
                      "--jobs", "1"});
    expectRefusedInOneLine(run, "cards.obj");
    EXPECT_FALSE(fs::exists(dir / "out" / "index.html")) << "nothing written";
    expectRefusedInOneLine(runVistrelle({"apply", cards.string(), "--target", "1,2,3", "-o",
                                         (dir / "a.obj").string(), "--max-points", "5"}),
                           "cards.obj");
    EXPECT_FALSE(fs::exists(dir / "a.obj"));
    expectRefusedInOneLine(runVistrelle({"scene", garden.string(), "--max-points", "5"}),
                           "cards.obj");
    expectRefusedInOneLine(runVistrelle({"panel", garden.string(), "--max-points", "5"}),
                           "cards.obj");
}

TEST(PointLimit, RaisedOrDefaultTheSameInputRunsAndZeroIsAUsageError) {
    testkit::ScratchFolder dir;
    EXPECT_EQ(runVistrelle({"scene", garden.string(), "--max-points", "1000"}).exitCode, 0);
    EXPECT_EQ(
        runVistrelle({"apply", cards.string(), "--target", "1,2,3", "-o", (dir / "a.obj").string()})
            .exitCode,
        0);
    EXPECT_EQ(runVistrelle({"scene", garden.string(), "--max-points", "0"}).exitCode, 2);
    EXPECT_EQ(runVistrelle({"scene", garden.string(), "--max-points", "-3"}).exitCode, 2)
        << "not taken as 2^64 - 3";
    EXPECT_EQ(
        runVistrelle({"scene", garden.string(), "--max-points", "18446744073709551616"}).exitCode,
        2)
        << "beyond 64 bits";
}

}  // namespace
