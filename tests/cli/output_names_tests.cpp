// The names of outputs under each system's rules, as text: Windows's device names, final dots and
// spaces and names of another case; the run's file stems, which keep clear of device names there.
// POSIX rules let every such name through, as the command always did.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/output_names.h"

namespace {

using cli::NameRules;

TEST(OutputNameRules, WindowsRefusesDeviceNamesAndNamesItWouldChange) {
    for (const char *name : {"nul.obj", "CON", "Aux.json", "com3.svg", "lpt1", "bush.", "bush ",
                             "a:b.obj", "what?.glb"})
        EXPECT_NE(cli::outputNameFault(name, NameRules::Windows), "") << name;
    EXPECT_EQ(cli::outputNameFault("NUL.obj", NameRules::Windows),
              "is the name of a Windows device (NUL), not of a file");
}

TEST(OutputNameRules, NulAloneIsTheNullDeviceOnWindows) {
    EXPECT_EQ(cli::outputNameFault("NUL", NameRules::Windows), "");
    EXPECT_EQ(cli::outputNameFault("nul", NameRules::Windows), "");
}

TEST(OutputNameRules, PosixRulesLetEveryNameThrough) {
    for (const char *name : {"nul.obj", "CON", "bush.", "bush ", "a:b.obj"})
        EXPECT_EQ(cli::outputNameFault(name, NameRules::Posix), "") << name;
}

TEST(OutputNameRules, ACaseOnlyClashIsFoundOnWindowsOnly) {
    const std::vector<std::string> existing{"turned.obj", "Bush.glb"};
    EXPECT_EQ(cli::caseOnlyClash("Turned.OBJ", existing, NameRules::Windows), "turned.obj");
    EXPECT_EQ(cli::caseOnlyClash("bush.glb", existing, NameRules::Windows), "Bush.glb");
    EXPECT_EQ(cli::caseOnlyClash("turned.obj", existing, NameRules::Windows), "");
    EXPECT_EQ(cli::caseOnlyClash("other.obj", existing, NameRules::Windows), "");
    EXPECT_EQ(cli::caseOnlyClash("Turned.OBJ", existing, NameRules::Posix), "");
}

TEST(OutputNameRules, RunStemsKeepClearOfDeviceNamesOnWindows) {
    EXPECT_EQ(cli::fileStem("NUL", NameRules::Windows), "_NUL");
    EXPECT_EQ(cli::fileStem("con.v2", NameRules::Windows), "_con.v2");
    EXPECT_EQ(cli::fileStem("com1", NameRules::Windows), "_com1");
    EXPECT_EQ(cli::fileStem("console", NameRules::Windows), "console");
    EXPECT_EQ(cli::fileStem("NUL", NameRules::Posix), "NUL");
    EXPECT_EQ(cli::fileStem("../../evil/x", NameRules::Windows), "___.._evil_x");
}

}  // namespace
