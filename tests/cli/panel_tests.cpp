// vistrelle panel, run as a process: the panel as drawn, edits by label, refused edits and saving.
#include "tests/cli/command_process.h"

#include "formats/scene_file.h"
#include "hostsim/host.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using clitest::fixture;
using clitest::linesOf;

// The command run on the module under test.
clitest::CommandOutcome runVistrelle(const std::vector<std::string> &arguments,
                                     bool withModule = true) {
    return clitest::runVistrelle(arguments, withModule ? clitest::ModuleChoice::underTest
                                                       : clitest::ModuleChoice::commandsOwn);
}

constexpr std::uint32_t objectPointsControl = 0x8002;

// The output up to the edits: the first panel shown.
std::string firstPanel(const std::string &out) { return out.substr(0, out.find("\nedits\n")); }

// The panel shown after the edits; empty when there is none.
std::string afterEdits(const std::string &out) {
    const auto at = out.find("after edits\n");
    return at == std::string::npos ? std::string() : out.substr(at);
}

// What the panel in `block` shows beside `label`, without a "(from ...)" note.
std::string shown(const std::string &block, const std::string &label) {
    for (const std::string &line : linesOf(block)) {
        if (line.rfind("  " + label + "  ", 0) != 0) continue;
        const std::string rest = line.substr(line.find_first_not_of(' ', 2 + label.size()));
        return rest.substr(0, rest.find("  (from "));
    }
    return "(no control " + label + ")";
}

// The entry marked as chosen in the popup under `label`, as "index  text".
std::string chosen(const std::string &block, const std::string &label) {
    bool inPopup = false;
    for (const std::string &line : linesOf(block)) {
        if (line.rfind("  " + label + "  ", 0) == 0) {
            inPopup = true;
        } else if (inPopup && line.rfind("    ", 0) == 0) {
            const auto text = line.find_first_not_of(' ');
            if (line.compare(text, 2, "> ") == 0) return line.substr(text + 2);
        } else {
            inPopup = false;
        }
    }
    return "(nothing chosen under " + label + ")";
}

std::string frameLine(const std::string &block) {
    for (const std::string &line : linesOf(block))
        if (line.rfind("frame ", 0) == 0) return line;
    return "(no frame line)";
}

// ---- The panel as the host draws it

TEST(PanelShown, TitleAndSixControlsWithTheirValues) {
    const auto result = runVistrelle({"panel", fixture("cards.json").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto lines = linesOf(result.out);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "displacement 1 of 1: Cards, server Vistrelle");
    EXPECT_EQ(lines[1], "Tav's Vistrelle");

    std::vector<std::string> labels;
    for (const std::string &line : lines)
        if (line.size() > 2 && line.rfind("  ", 0) == 0 && line[2] != ' ')
            labels.push_back(line.substr(2, line.find("  ", 2) - 2));
    EXPECT_EQ(labels, (std::vector<std::string>{"Object points", "Clones", "Target object",
                                                "Pivot Type", "H Align", "P Align"}));

    EXPECT_EQ(shown(result.out, "Object points"), "4");
    EXPECT_EQ(shown(result.out, "Clones"), "3");
    EXPECT_EQ(shown(result.out, "Target object"), "Rock");
    EXPECT_EQ(chosen(result.out, "Target object"), "4  Rock");
    EXPECT_EQ(shown(result.out, "Pivot Type"), "first point");
    EXPECT_EQ(chosen(result.out, "Pivot Type"), "0  first point");
    EXPECT_EQ(shown(result.out, "H Align"), "on");
    EXPECT_EQ(shown(result.out, "P Align"), "on");
    EXPECT_EQ(afterEdits(result.out), "");
}

TEST(PanelShown, PopupsListTheItemsAfterNoneAndThePivotRules) {
    const auto result = runVistrelle({"panel", fixture("cards.json").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("  Target object  Rock\n"
                              "                   0  (none)\n"
                              "                   1  Camera\n"
                              "                   2  Tree\n"
                              "                   3  Cards\n"
                              "                 > 4  Rock\n"),
              std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("                   1  average of first two points\n"
                              "                   2  average of first and last point\n"
                              "                   3  last point\n"),
              std::string::npos)
        << result.out;
}

TEST(PanelShown, StoredValuesOutsideTheChoicesShowAsTheyAre) {
    // Ten points of four per leaf, pivot rule 7, heading switch 2.
    const auto result = runVistrelle({"panel", fixture("mixed.json").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(shown(result.out, "Clones"), "2.5");
    EXPECT_EQ(shown(result.out, "Pivot Type"), "7 (no such entry)");
    EXPECT_EQ(chosen(result.out, "Pivot Type"), "(nothing chosen under Pivot Type)");
    EXPECT_EQ(shown(result.out, "H Align"), "2");
    EXPECT_EQ(frameLine(result.out), "frame 0: 0 of 2 whole leaves turn, 0 of 10 points move");
}

TEST(PanelShown, ObjectOptionOpensThatObjectsDisplacement) {
    const auto result = runVistrelle({"panel", fixture("mixed.json").string(), "--object", "Pair"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(linesOf(result.out).at(0), "displacement 2 of 2: Pair, server Vistrelle");
    EXPECT_EQ(shown(result.out, "Clones"), "2");
    EXPECT_EQ(shown(result.out, "Target object"), "(none)");
    EXPECT_EQ(shown(result.out, "H Align"), "on");
    EXPECT_EQ(shown(result.out, "P Align"), "off");
}

// ---- Edits, made the host's way

TEST(PanelEdits, ThreeObjectPointsOnTwelvePointsMakeFourLeavesThatTurn) {
    const auto result =
        runVistrelle({"panel", fixture("cards.json").string(), "--set", "Object points=3"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(frameLine(firstPanel(result.out)),
              "frame 0: 3 of 3 whole leaves turn (1-3), 9 of 12 points move");
    EXPECT_NE(result.out.find("\n  Object points = 3: 4 -> 3; Clones 4; 1 instance update\n"),
              std::string::npos)
        << result.out;
    const std::string after = afterEdits(result.out);
    EXPECT_EQ(shown(after, "Object points"), "3");
    EXPECT_EQ(shown(after, "Clones"), "4");

    // The same edit through the stand-in host: every one of the four leaves of three points turns.
    hostsim::Host host(VISTREL_MODULE_FILE, formats::readSceneFile(fixture("cards.json")));
    void *instance = host.displacementInstances().at(0);
    const auto opened = host.openPanel(instance);
    ASSERT_NE(opened.panel, nullptr);
    host.edit(*opened.panel, objectPointsControl, 3);
    const auto positions = host.evaluateFrame(instance, 0);
    const auto &base = host.scene().scene().items.at(2).mesh->points;
    ASSERT_EQ(positions.size(), base.size());
    std::size_t movedPoints = 0;
    std::vector<bool> leafTurned(4, false);
    for (std::size_t p = 0; p < base.size(); ++p) {
        bool moved = false;
        for (std::size_t axis = 0; axis < 3; ++axis)
            moved = moved || std::fabs(positions[p][axis] - base[p][axis]) > 1e-6;
        movedPoints += moved;
        if (moved) leafTurned[p / 3] = true;
    }
    EXPECT_EQ(leafTurned, std::vector<bool>(4, true));
    EXPECT_EQ(frameLine(after), "frame 0: 4 of 4 whole leaves turn (1-4), " +
                                    std::to_string(movedPoints) + " of 12 points move");
}

TEST(PanelEdits, TargetIsChosenByEntryTextInAnyCaseOrByIndex) {
    for (const std::string value : {"Tree", "tREE", "2"}) {
        const auto result = runVistrelle(
            {"panel", fixture("cards.json").string(), "--set", "target OBJECT=" + value});
        ASSERT_EQ(result.exitCode, 0) << value << ": " << result.err;
        EXPECT_NE(result.out.find("\n  Target object = " + value + ": Rock -> Tree\n"),
                  std::string::npos)
            << result.out;
        EXPECT_EQ(chosen(afterEdits(result.out), "Target object"), "2  Tree") << value;
    }
}

TEST(PanelEdits, ClonesIsDerivedSoSettingItChangesNothing) {
    const auto result =
        runVistrelle({"panel", fixture("cards.json").string(), "--set", "Clones=7"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("\n  Clones = 7: 3 -> 3 (unchanged)\n"), std::string::npos)
        << result.out;
    EXPECT_EQ(shown(afterEdits(result.out), "Clones"), "3");
    EXPECT_EQ(frameLine(afterEdits(result.out)), frameLine(firstPanel(result.out)));
}

TEST(PanelEdits, SwitchesAndPivotTakeTheirWordsAndApplyInOrder) {
    const auto result = runVistrelle(
        {"panel", fixture("cards.json").string(), "--set", "H Align=off", "--set", "P Align=false",
         "--set", "H Align=TRUE", "--set", "Pivot Type=last point", "--set", "Object points=6"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string after = afterEdits(result.out);
    EXPECT_EQ(shown(after, "H Align"), "on");
    EXPECT_EQ(shown(after, "P Align"), "off");
    EXPECT_EQ(chosen(after, "Pivot Type"), "3  last point");
    EXPECT_EQ(shown(after, "Clones"), "2");
}

// ---- Edits refused before anything is shown or written

struct RefusedEdit {
    std::string edit;
    std::string message;
};

class PanelRefuses : public testing::TestWithParam<RefusedEdit> {};

TEST_P(PanelRefuses, WithOneLineListingTheValidChoices) {
    testkit::ScratchFolder folder;
    const auto scene = folder.copyOf(fixture("cards.json"));
    const std::string before = testkit::fileText(scene);
    const auto result = runVistrelle(
        {"panel", scene.string(), "--set", "Object points=3", "--set", GetParam().edit, "--save"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err, GetParam().message + "\n");
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(testkit::fileText(scene), before);
}

INSTANTIATE_TEST_SUITE_P(
    BadLabelsAndValues, PanelRefuses,
    testing::Values(
        RefusedEdit{
            "Pivot Typ=1",
            R"(--set "Pivot Typ=1": unknown control "Pivot Typ"; controls: Object points, Clones, )"
            "Target object, Pivot Type, H Align, P Align"},
        RefusedEdit{"Target object=Oak",
                    R"(--set "Target object=Oak": no entry "Oak" in "Target object"; entries: )"
                    "0=(none), 1=Camera, 2=Tree, 3=Cards, 4=Rock"},
        RefusedEdit{"Target object=5",
                    R"(--set "Target object=5": no entry "5" in "Target object"; entries: )"
                    "0=(none), 1=Camera, 2=Tree, 3=Cards, 4=Rock"},
        RefusedEdit{
            "H Align=maybe",
            R"(--set "H Align=maybe": "H Align" takes on, off, 1, 0, true or false, not "maybe")"},
        RefusedEdit{"Object points=3.5",
                    R"(--set "Object points=3.5": "Object points" takes a whole number from )"
                    R"(-2147483648 to 2147483647, not "3.5")"},
        RefusedEdit{
            "Object points",
            R"(--set "Object points": expected LABEL=VALUE; controls: Object points, Clones, )"
            "Target object, Pivot Type, H Align, P Align"}));

TEST(PanelRefusesObject, UnknownObjectListsTheDisplacedOnes) {
    const auto result = runVistrelle({"panel", fixture("mixed.json").string(), "--object", "Lamp"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(
        result.err,
        R"(--object "Lamp": no displacement on an object of that name; displaced objects: Strip, Pair)"
        "\n");
}

// ---- Saving

TEST(PanelSave, WritesTheNewDataBlockThatTheNextRunShows) {
    testkit::ScratchFolder folder;
    const auto scene = folder.copyOf(fixture("cards.json"));
    const auto saved = runVistrelle({"panel", scene.string(), "--set", "Object points=3", "--set",
                                     "Target object=Tree", "--save"});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    EXPECT_NE(
        saved.out.find("saved displacement 1 (data 3, 2, 0, 1, 1) into " + scene.string() + "\n"),
        std::string::npos)
        << saved.out;

    const hostsim::Scene reread = formats::readSceneFile(scene);
    ASSERT_EQ(reread.displacements.size(), 1u);
    EXPECT_EQ(reread.displacements[0].data, (std::vector<std::int32_t>{3, 2, 0, 1, 1}));
    EXPECT_EQ(reread.items.at(2).mesh->points.size(), 12u);

    const auto again = runVistrelle({"panel", scene.string()});
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(shown(again.out, "Object points"), "3");
    EXPECT_EQ(shown(again.out, "Clones"), "4");
    EXPECT_EQ(chosen(again.out, "Target object"), "2  Tree");
    EXPECT_EQ(frameLine(again.out).substr(0, 33), "frame 0: 4 of 4 whole leaves turn");
}

TEST(PanelSave, SavesADisplacementThatHadNoDataBlock) {
    testkit::ScratchFolder folder;
    const auto scene = folder.copyOf(fixture("mixed.json"));
    const auto saved = runVistrelle({"panel", scene.string(), "--object", "Pair", "--save"});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    const hostsim::Scene reread = formats::readSceneFile(scene);
    EXPECT_EQ(reread.displacements.at(0).data, (std::vector<std::int32_t>{4, 1, 7, 2, 0}));
    EXPECT_EQ(reread.displacements.at(1).data, (std::vector<std::int32_t>{4, 0, 0, 1, 0}));
}

}  // namespace
