// Windows's file-name rules, as text: device names in any case and with any extension, characters
// a name cannot hold, a final dot or space, and names that Windows takes for one another.
#include <gtest/gtest.h>

#include <string>

#include "formats/text/windows_names.h"

namespace {

using formats::windowsDeviceName;
using formats::windowsNameFault;
using formats::windowsNameKey;

TEST(WindowsNames, DeviceNamesAreFoundInAnyCaseWithAnyExtension) {
    EXPECT_EQ(windowsDeviceName("NUL"), "NUL");
    EXPECT_EQ(windowsDeviceName("nul.txt"), "NUL");
    EXPECT_EQ(windowsDeviceName("Con"), "CON");
    EXPECT_EQ(windowsDeviceName("con .obj"), "CON");
    EXPECT_EQ(windowsDeviceName("aux.tar.gz"), "AUX");
    EXPECT_EQ(windowsDeviceName("prn"), "PRN");
    EXPECT_EQ(windowsDeviceName("com1.json"), "COM1");
    EXPECT_EQ(windowsDeviceName("LPT9"), "LPT9");
}

TEST(WindowsNames, NamesThatOnlyResembleADeviceAreFiles) {
    for (const char *name : {"nullable.obj", "console", "com0", "com10", "lpt", "comx.obj", "xnul",
                             "auxiliary.json", ".nul", ""})
        EXPECT_EQ(windowsDeviceName(name), "") << name;
}

TEST(WindowsNames, AFaultSaysWhyWindowsWouldNotKeepTheName) {
    EXPECT_EQ(windowsNameFault("NUL.obj"), "is the name of a Windows device (NUL), not of a file");
    EXPECT_EQ(windowsNameFault("bush."),
              "ends in a dot or a space, which Windows drops from a file name");
    EXPECT_EQ(windowsNameFault("bush "),
              "ends in a dot or a space, which Windows drops from a file name");
    EXPECT_EQ(windowsNameFault("a:b.obj"), "holds ':', which a Windows file name cannot");
    EXPECT_EQ(windowsNameFault("what?.obj"), "holds '?', which a Windows file name cannot");
    EXPECT_EQ(windowsNameFault(std::string("tab\there")),
              "holds a control character, which a Windows file name cannot");
}

TEST(WindowsNames, OrdinaryNamesHaveNoFault) {
    for (const char *name : {"bush.obj", "Bush.glb", "frame_0001.svg", "J\xC3\xBCrgen \xE6\x97\xA5",
                             ".hidden", ".", "..", "a.b.c"})
        EXPECT_EQ(windowsNameFault(name), "") << name;
}

TEST(WindowsNames, TheKeyMakesNamesOfOtherCaseEqual) {
    EXPECT_EQ(windowsNameKey("Bush.OBJ"), windowsNameKey("bush.obj"));
    EXPECT_NE(windowsNameKey("bush1.obj"), windowsNameKey("bush.obj"));
    EXPECT_EQ(windowsNameKey("J\xC3\xBCrgen"), "J\xC3\xBCRGEN");
}

}  // namespace
