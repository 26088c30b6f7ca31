// The viewer's files: the page is there from the start and lists each frame as soon as it is written,
// so a run that stops early leaves a page that plays; the data scripts hold the points as floats;
// names cannot break the page; without three.js the page and a warning say so.
#include <gtest/gtest.h>

#include <cstring>

#include "formats/viewer_page.h"
#include "testkit/scratch_folder.h"

namespace {

namespace fs = std::filesystem;

hostsim::Mesh card() {
    hostsim::Mesh mesh;
    mesh.points = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    return mesh;
}

fs::path fakeThree(const testkit::ScratchFolder &dir) { return dir.write("three.cjs", "exports.WebGLRenderer = function () {};\n"); }

std::size_t count(const std::string &text, const std::string &part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

TEST(ViewerPage, IsWrittenAtOnceAndListsEachFrameAsSoonAsItIsWritten) {
    testkit::ScratchFolder dir;
    const hostsim::Mesh mesh = card();
    formats::ViewerWriter writer(dir.path() / "out", mesh, {"Card", "Card", "settings", 4, 0, 24.0}, fakeThree(dir));
    EXPECT_EQ(count(testkit::fileText(dir.path() / "out" / "index.html"), "viewer/Card.0"), 0u) << "no frame yet, but a page";
    const std::vector<std::array<double, 3>> moved{{0, 0, 0}, {1, 0, 0.5}, {1, 1, 0.5}, {0, 1, 0}};
    writer.addFrame(0, "0000", hostsim::Point3{0, 0, -5}, moved);
    EXPECT_EQ(count(testkit::fileText(dir.path() / "out" / "index.html"), "viewer/Card.0"), 1u);
    writer.addFrame(1, "0001", std::nullopt, moved);
    const std::string page = testkit::fileText(dir.path() / "out" / "index.html");
    EXPECT_EQ(count(page, "viewer/Card.0"), 2u);
    EXPECT_NE(page.find(R"("target":[0.0,0.0,-5.0])"), std::string::npos);
    EXPECT_NE(page.find(R"("target":null)"), std::string::npos);
    EXPECT_TRUE(writer.warning().empty());
    EXPECT_NE(testkit::fileText(dir.path() / "out" / "three.js").find("})(window.THREE = {});"), std::string::npos);
}

TEST(ViewerPage, FrameScriptHoldsThePointsAsLittleEndianFloats) {
    testkit::ScratchFolder dir;
    const hostsim::Mesh mesh = card();
    formats::ViewerWriter writer(dir.path(), mesh, {"Card", "Card", "", 4, 0, 24.0}, fakeThree(dir));
    writer.addFrame(7, "0007", std::nullopt, std::vector<std::array<double, 3>>{{0.5, -2, 1e-3}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
    const std::string script = testkit::fileText(dir.path() / "viewer" / "Card.0007.js");
    ASSERT_EQ(script.rfind(R"(vistrelleData({"frame":7,"kind":"frame"},")", 0), 0u) << script;
    // 0.5f, -2.0f and 0.001f: 00 00 00 3F | 00 00 00 C0 | 6F 12 83 3A
    EXPECT_EQ(script.substr(script.find("},\"") + 3, 16), "AAAAPwAAAMBvEoM6");
}

TEST(ViewerPage, NamesCannotCloseTheScriptAndMissingThreeIsSaid) {
    testkit::ScratchFolder dir;
    const hostsim::Mesh mesh = card();
    formats::ViewerWriter writer(dir.path(), mesh, {"</script><b>", "x", "<!--", 4, 0, 24.0}, dir.path() / "no-three.cjs");
    const std::string page = testkit::fileText(dir.path() / "index.html");
    EXPECT_EQ(count(page, "</script>"), 2u) << "only the page's own two script elements end";
    EXPECT_EQ(page.find("<!--"), std::string::npos);
    EXPECT_NE(writer.warning().find("three.js was not found"), std::string::npos);
    EXPECT_NE(page.find("three.js did not load"), std::string::npos);
}

}  // namespace
