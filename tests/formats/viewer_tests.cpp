// The viewer's files: the page is there from the start and lists each frame as soon as it is
// written, so a run that stops early leaves a page that plays; the data scripts hold the points as
// floats; names cannot break the page; without three.js the page and a warning say so.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "formats/text/base64.h"
#include "formats/viewer_page.h"
#include "testkit/scratch_folder.h"

namespace {

namespace fs = std::filesystem;

hostsim::Mesh card() {
    hostsim::Mesh mesh;
    mesh.points = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    return mesh;
}

fs::path fakeThree(const testkit::ScratchFolder &dir) {
    return dir.write("three.cjs", "exports.WebGLRenderer = function () {};\n");
}

// Base64 the plain way: six bits at a time from a bit buffer, then '=' up to a multiple of four.
std::string referenceBase64(std::span<const std::byte> bytes) {
    static constexpr char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    unsigned bits = 0;
    int held = 0;
    for (std::byte b : bytes) {
        bits = (bits << 8) | std::to_integer<unsigned>(b);
        held += 8;
        while (held >= 6) {
            held -= 6;
            out += alphabet[(bits >> held) & 63];
        }
    }
    if (held > 0) out += alphabet[(bits << (6 - held)) & 63];
    while (out.size() % 4 != 0) out += '=';
    return out;
}

std::string base64(std::span<const std::byte> bytes) {
    std::string out(formats::base64Size(bytes.size()), '\0');
    EXPECT_EQ(formats::writeBase64(out.data(), bytes), out.data() + out.size());
    return out;
}

std::string base64(std::string_view text) { return base64(std::as_bytes(std::span(text))); }

// The data script of the viewer for these floats, made the plain way.
std::string referenceScript(const std::string &head, const std::vector<float> &values) {
    return "vistrelleData(" + head + ",\"" + referenceBase64(std::as_bytes(std::span(values))) +
           "\");\n";
}

std::vector<std::array<double, 3>> scatteredPoints(std::size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> coordinate(-100.0, 100.0);
    std::vector<std::array<double, 3>> points(n);
    for (auto &p : points) p = {coordinate(random), coordinate(random), coordinate(random)};
    return points;
}

std::vector<float> roundedToFloat(const std::vector<std::array<double, 3>> &points) {
    std::vector<float> values;
    for (const auto &p : points)
        for (double c : p) values.push_back(static_cast<float>(c));
    return values;
}

std::size_t count(const std::string &text, const std::string &part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

TEST(ViewerPage, IsWrittenAtOnceAndListsEachFrameAsSoonAsItIsWritten) {
    testkit::ScratchFolder dir;
    const hostsim::Mesh mesh = card();
    formats::ViewerWriter writer(dir.path() / "out", mesh, {"Card", "Card", "settings", 4, 0, 24.0},
                                 fakeThree(dir));
    EXPECT_EQ(count(testkit::fileText(dir.path() / "out" / "index.html"), "viewer/Card.0"), 0u)
        << "no frame yet, but a page";
    const std::vector<std::array<double, 3>> moved{{0, 0, 0}, {1, 0, 0.5}, {1, 1, 0.5}, {0, 1, 0}};
    writer.addFrame(0, "0000", hostsim::Point3{0, 0, -5}, moved);
    EXPECT_EQ(count(testkit::fileText(dir.path() / "out" / "index.html"), "viewer/Card.0"), 1u);
    writer.addFrame(1, "0001", std::nullopt, moved);
    const std::string page = testkit::fileText(dir.path() / "out" / "index.html");
    EXPECT_EQ(count(page, "viewer/Card.0"), 2u);
    EXPECT_NE(page.find(R"("target":[0.0,0.0,-5.0])"), std::string::npos);
    EXPECT_NE(page.find(R"("target":null)"), std::string::npos);
    EXPECT_TRUE(writer.warning().empty());
    EXPECT_NE(testkit::fileText(dir.path() / "out" / "three.js").find("})(window.THREE = {});"),
              std::string::npos);
}

TEST(ViewerPage, FrameScriptHoldsThePointsAsLittleEndianFloats) {
    testkit::ScratchFolder dir;
    const hostsim::Mesh mesh = card();
    formats::ViewerWriter writer(dir.path(), mesh, {"Card", "Card", "", 4, 0, 24.0},
                                 fakeThree(dir));
    writer.addFrame(
        7, "0007", std::nullopt,
        std::vector<std::array<double, 3>>{{0.5, -2, 1e-3}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
    const std::string script = testkit::fileText(dir.path() / "viewer" / "Card.0007.js");
    ASSERT_EQ(script.rfind(R"(vistrelleData({"frame":7,"kind":"frame"},")", 0), 0u) << script;
    // 0.5f, -2.0f and 0.001f: 00 00 00 3F | 00 00 00 C0 | 6F 12 83 3A
    EXPECT_EQ(script.substr(script.find("},\"") + 3, 16), "AAAAPwAAAMBvEoM6");
}

TEST(ViewerPage, NamesCannotCloseTheScriptAndMissingThreeIsSaid) {
    testkit::ScratchFolder dir;
    const hostsim::Mesh mesh = card();
    formats::ViewerWriter writer(dir.path(), mesh, {"</script><b>", "x", "<!--", 4, 0, 24.0},
                                 dir.path() / "no-three.cjs");
    const std::string page = testkit::fileText(dir.path() / "index.html");
    EXPECT_EQ(count(page, "</script>"), 2u) << "only the page's own two script elements end";
    EXPECT_EQ(page.find("<!--"), std::string::npos);
    EXPECT_NE(writer.warning().find("three.js was not found"), std::string::npos);
    EXPECT_NE(page.find("three.js did not load"), std::string::npos);
}

TEST(ViewerPage, ScriptsHoldExactlyTheBase64OfTheFloatsForAnyMeshAndFrameNumber) {
    // More points than the writer rounds to float at a time, and not a multiple of it; their text
    // is more than one chunk of the file as it is written.
    const auto first = scatteredPoints(12500, 1);
    hostsim::Mesh mesh;
    for (const auto &p : first) mesh.points.push_back(hostsim::toFloats(p));
    testkit::ScratchFolder dir;
    formats::ViewerWriter writer(dir.path(), mesh, {"Bush", "Bush", "", 4, 0, 24.0},
                                 fakeThree(dir));
    EXPECT_EQ(testkit::fileText(dir.path() / "viewer" / "Bush.base.js"),
              referenceScript(R"({"kind":"base"})", roundedToFloat(first)));
    // Longer and shorter heads from file to file leave nothing behind.
    const std::vector<std::pair<std::int32_t, std::string>> frames{
        {7, "0007"}, {-1234567, "m1234567"}, {3, "0003"}};
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const auto &[frame, label] = frames[i];
        SCOPED_TRACE(frame);
        const auto points = scatteredPoints(first.size(), static_cast<unsigned>(i + 2));
        writer.addFrame(frame, label, std::nullopt, points);
        EXPECT_EQ(testkit::fileText(dir.path() / "viewer" / ("Bush." + label + ".js")),
                  referenceScript(R"({"frame":)" + std::to_string(frame) + R"(,"kind":"frame"})",
                                  roundedToFloat(points)));
    }
}

TEST(ViewerPage, ScriptOfAnEmptyMeshHoldsNoData) {
    testkit::ScratchFolder dir;
    formats::ViewerWriter writer(dir.path(), hostsim::Mesh{}, {"None", "None", "", 4, 0, 24.0},
                                 fakeThree(dir));
    writer.addFrame(0, "0", std::nullopt, {});
    EXPECT_EQ(testkit::fileText(dir.path() / "viewer" / "None.base.js"),
              "vistrelleData({\"kind\":\"base\"},\"\");\n");
    EXPECT_EQ(testkit::fileText(dir.path() / "viewer" / "None.0.js"),
              "vistrelleData({\"frame\":0,\"kind\":\"frame\"},\"\");\n");
}

// --- Base64

TEST(Base64, KnownTextsWithBothKindsOfPadding) {
    EXPECT_EQ(base64(""), "");
    EXPECT_EQ(base64("f"), "Zg==");
    EXPECT_EQ(base64("fo"), "Zm8=");
    EXPECT_EQ(base64("foo"), "Zm9v");
    EXPECT_EQ(base64("foob"), "Zm9vYg==");
    EXPECT_EQ(base64("fooba"), "Zm9vYmE=");
    EXPECT_EQ(base64("foobar"), "Zm9vYmFy");
    EXPECT_EQ(base64("\xff\xff\xfe"), "///+");
}

TEST(Base64, EveryLengthAndByteValueMatchesThePlainEncoding) {
    std::vector<std::byte> bytes(256 + 40);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::byte>((i * 167 + 13) % 256);
    for (std::size_t length = 0; length <= bytes.size(); ++length) {
        SCOPED_TRACE(length);
        const auto part = std::span(bytes).first(length);
        ASSERT_EQ(base64(part), referenceBase64(part));
    }
}

TEST(Base64, PiecesOfWholeGroupsJoinToTheTextOfTheWhole) {
    std::vector<std::byte> bytes(100);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::byte>(255 - i);
    const std::span<const std::byte> all(bytes);
    std::string joined(formats::base64Size(all.size()), '\0');
    char *end = formats::writeBase64(joined.data(), all.first(12));
    end = formats::writeBase64(end, all.subspan(12, 3));
    end = formats::writeBase64(end, all.subspan(15));  // the last piece ends with one byte
    EXPECT_EQ(end, joined.data() + joined.size());
    EXPECT_EQ(joined, referenceBase64(all));
}

}  // namespace
