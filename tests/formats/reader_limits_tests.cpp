// The bounds every reader keeps against hostile input: the points of OBJ files and scenes counted
// against the limit as they are read, JSON nesting refused before a parser sees it, and input
// quoted in a message cut short and escaped.
#include <gtest/gtest.h>

#include <string>

#include "formats/json_depth.h"
#include "formats/obj_mesh.h"
#include "formats/point_budget.h"
#include "formats/scene_file.h"
#include "formats/shown_text.h"
#include "hostsim/host_error.h"
#include "testkit/scratch_folder.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t plentyOfMemory = std::uint64_t{1} << 40;

class ReaderLimits : public testing::Test {
  protected:
    // The error of `read`, or "" when it succeeds.
    template <typename Read>
    static std::string refusal(Read read) {
        try {
            read();
            return "";
        } catch (const hostsim::HostError &error) {
            EXPECT_EQ(std::string(error.what()).find('\n'), std::string::npos) << error.what();
            return error.what();
        }
    }

    fs::path scene(const std::string &items) const {
        return dir.write(
            "scene.json",
            R"({"format": 1, "frames": {"start": 0, "end": 1}, "items": [)" + items + "]}");
    }

    testkit::ScratchFolder dir;
    fs::path cards = dir.write(
        "cards.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 2 0 0\nv 3 0 0\nv 3 1 0\nv 2 1 0\n");
};

TEST_F(ReaderLimits, ObjPointsBeyondTheLimitStopTheReadingAtTheirLine) {
    formats::PointBudget tight(5, plentyOfMemory);
    EXPECT_EQ(refusal([&] { formats::readObjMesh(cards, tight); }),
              cards.string() + ":6: 6 points, more than --max-points allows (5)");
    formats::PointBudget exact(8, plentyOfMemory);
    EXPECT_EQ(formats::readObjMesh(cards, exact).points.size(), 8u);
    // The file's bytes are counted first, then its points.
    formats::PointBudget noMemory(100, fs::file_size(cards) + 6 * formats::bytesPerPoint);
    EXPECT_EQ(refusal([&] { formats::readObjMesh(cards, noMemory); }),
              cards.string() +
                  ":7: 7 points need about 896 bytes, more than the 768 bytes of memory free");
}

TEST_F(ReaderLimits, ObjPointsThatAreNotFiniteAndLongWordsAreRefusedInOneShortLine) {
    const fs::path nan = dir.write("nan.obj", "v nan 0 0\n");
    EXPECT_EQ(refusal([&] { formats::readObjMesh(nan); }),
              nan.string() + ":1:3: expected 3 numbers within the range of a float after \"v\"");
    const fs::path inf = dir.write("inf.obj", "v 0 inf 0\n");
    EXPECT_EQ(refusal([&] { formats::readObjMesh(inf); }),
              inf.string() + ":1:5: expected 3 numbers within the range of a float after \"v\"");
    const fs::path garbage = dir.write("garbage.obj", "v 0 0 " + std::string(5000, '\x80') + "\n");
    const std::string refused = refusal([&] { formats::readObjMesh(garbage); });
    EXPECT_LT(refused.size(), garbage.string().size() + 300) << refused;
    EXPECT_NE(refused.find("\\x80\\x80"), std::string::npos) << refused;
}

TEST_F(ReaderLimits, SceneMeshesCountTogetherAgainstOneLimit) {
    const fs::path twice =
        scene(R"({"name": "A", "position": [0, 0, 0], "mesh": {"file": "cards.obj"}},
                                    {"name": "B", "position": [0, 0, 0], "mesh": {"file": "cards.obj"}})");
    formats::PointBudget enough(16, plentyOfMemory);
    EXPECT_EQ(formats::readSceneFile(twice, enough).items.size(), 2u);
    formats::PointBudget tight(15, plentyOfMemory);
    EXPECT_EQ(
        refusal([&] { formats::readSceneFile(twice, tight); }),
        cards.string() +
            ":8: 8 points (after 8 in the files read before), more than --max-points allows (15)");

    const fs::path inlinePoints = scene(
        R"({"name": "A", "position": [0, 0, 0], "mesh": {"points": [[0, 0, 0], [1, 0, 0], [1, 1, 0]]}})");
    formats::PointBudget two(2, plentyOfMemory);
    EXPECT_EQ(refusal([&] { formats::readSceneFile(inlinePoints, two); }),
              inlinePoints.string() +
                  ": /items/0/mesh/points: 3 points, more than --max-points allows (2)");
}

TEST_F(ReaderLimits, DeeplyNestedScenesAreRefusedBeforeParsing) {
    const fs::path deep =
        dir.write("deep.json", "{\"format\": 1, \"x\": " + std::string(1'000'000, '[') +
                                   std::string(1'000'000, ']') + "}");
    EXPECT_EQ(refusal([&] { formats::readSceneFile(deep); }),
              deep.string() + ": JSON nested deeper than 256 levels at byte 274");
}

TEST_F(ReaderLimits, BracketsInStringsAndCommentsDoNotCountAsNesting) {
    const std::string many(300, '[');
    EXPECT_NO_THROW(
        formats::checkJsonDepth("{\"a\": \"" + many + "\\\"" + many + "\"}", "strings.json"));
    EXPECT_NO_THROW(
        formats::checkJsonDepth("// " + many + "\n/* " + many + " */ [1]", "comments.json"));
    EXPECT_NO_THROW(
        formats::checkJsonDepth(std::string(256, '[') + std::string(256, ']'), "deepest.json"));
    EXPECT_THROW(formats::checkJsonDepth(std::string(257, '{'), "deeper.json"), hostsim::HostError);
    EXPECT_THROW(formats::checkJsonDepth("\"]]]\" " + std::string(257, '['), "after-a-string.json"),
                 hostsim::HostError);
}

TEST_F(ReaderLimits, QuotedInputIsCutAt200CharactersAndEscaped) {
    EXPECT_EQ(formats::shownInput("card.bin"), "card.bin");
    EXPECT_EQ(formats::shownInput(std::string("a\0b\x1b\xff\\", 6)), "a\\x00b\\x1b\\xff\\\\");
    const std::string cut = formats::shownInput(std::string(1000, 'x'));
    EXPECT_EQ(cut, std::string(200, 'x') + "...");
    EXPECT_LE(formats::shownInput(std::string(1000, '\x01')).size(), 203u);
}

TEST_F(ReaderLimits, FreeMemoryIsKnownAndWithinWhatAPointerAddresses) {
    const std::uint64_t free = formats::freeMemoryBytes();
    EXPECT_GT(free, 0u);
    EXPECT_LE(free, std::uint64_t{std::numeric_limits<std::size_t>::max()} / 2);
}

}  // namespace
