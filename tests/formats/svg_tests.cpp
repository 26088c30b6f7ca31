// SVG pictures and the HTML index: the projection lands points where a pinhole camera would, a
// leaf's polygon appears at its projected points, leaves are drawn far to near with the side the
// module turns toward the target told apart from the other, big meshes are sampled, loose points
// are dots, labels stay inside, and names cannot break the markup.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

#include "formats/html_index.h"
#include "formats/svg_camera.h"
#include "formats/svg_coverage.h"
#include "formats/svg_picture.h"
#include "testkit/scratch_folder.h"

namespace {

using formats::Camera;
using formats::Projection;
using formats::SvgFrame;
using hostsim::Point3;
using Base = std::array<float, 3>;
using hostsim::Position;

const std::filesystem::path testData = VISTREL_TEST_DATA;

// The picture writes the leaves' pixel coordinates with one decimal.
constexpr double pixelTolerance = 0.05 + 1e-9;

// A camera 10 units in front of the origin whose picture has 100 pixels per unit at depth 1.
Camera frontCamera() { return {{0, 0, -10}, {0, 0, 0}, 2.0 * std::atan(0.5)}; }

struct Polygon {
    std::string kind;  // "facing" or "far"
    std::vector<std::pair<double, double>> points;
};

// The polygons of the picture in drawing order, from <polygon class="..." fill="..."
// points="..."/>.
std::vector<Polygon> polygons(const std::string &svg) {
    std::vector<Polygon> out;
    const auto attribute = [&](std::size_t from, const std::string &name) {
        const std::size_t begin = svg.find(name + "=\"", from) + name.size() + 2;
        return svg.substr(begin, svg.find('"', begin) - begin);
    };
    for (auto at = svg.find("<polygon "); at != std::string::npos;
         at = svg.find("<polygon ", at + 1)) {
        Polygon polygon{attribute(at, "class"), {}};
        std::istringstream in(attribute(at, "points"));
        double x = 0, y = 0;
        char comma = 0;
        while (in >> x >> comma >> y) polygon.points.emplace_back(x, y);
        out.push_back(polygon);
    }
    return out;
}

std::size_t count(const std::string &text, const std::string &part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

SvgFrame frameOf(const std::vector<Base> &base, const std::vector<Position> &displaced) {
    SvgFrame frame;
    frame.base = base;
    frame.displaced = displaced;
    frame.camera = frontCamera();
    frame.panelWidth = 200;
    frame.panelHeight = 100;
    return frame;
}

// --- Projection

TEST(SvgProjection, PinholeCameraPlacesPointsByDepth) {
    const Projection projection(frontCamera(), 200, 100);
    const auto centre = projection.project({0, 0, 0});
    EXPECT_DOUBLE_EQ(centre.x, 100);
    EXPECT_DOUBLE_EQ(centre.y, 50);
    EXPECT_DOUBLE_EQ(centre.depth, 10);
    const auto p = projection.project({1, 2, 0});  // right and up of the centre
    EXPECT_DOUBLE_EQ(p.x, 110);
    EXPECT_DOUBLE_EQ(p.y, 30);
    const auto far = projection.project({1, 2, 10});  // twice as far: half the offset
    EXPECT_DOUBLE_EQ(far.x, 105);
    EXPECT_DOUBLE_EQ(far.y, 40);
    EXPECT_LE(projection.project({0, 0, -11}).depth, 0.0) << "behind the camera";
}

TEST(SvgProjection, CameraLookingStraightDownKeepsXToTheRight) {
    const Projection projection({{0, 10, 0}, {0, 0, 0}, 1.0}, 200, 100);
    EXPECT_GT(projection.project({1, 0, 0}).x, 100);
    EXPECT_LT(projection.project({0, 0, 1}).y, 50) << "+Z is up on the screen";
}

TEST(SvgProjection, FramingCameraFitsEveryPointSnugly) {
    const std::vector<Point3> points{{-3, 0, 2}, {5, 1, 40}, {0, 0.5, 10}, {1, -2, 3}};
    for (double aspect : {0.5, 1.0, 1.333, 3.0}) {
        SCOPED_TRACE(aspect);
        const double width = 100 * aspect;
        const Projection projection(formats::framingCamera(points, aspect), width, 100);
        double margin = 100;  // the least distance of a point from an edge of the picture
        for (const Point3 &p : points) {
            const auto s = projection.project(p);
            EXPECT_GT(s.depth, 0.0);
            margin = std::min({margin, s.x, width - s.x, s.y, 100 - s.y});
        }
        EXPECT_GT(margin, 0.0);
        EXPECT_LT(margin, 10.0) << "the points fill the picture";
    }
}

// --- Pictures

TEST(SvgPicture, SingleLeafIsDrawnAtItsProjectedPoints) {
    const std::vector<Base> base{{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}};
    const std::vector<Position> displaced{{0, 0, 0}, {0, 0.5, 0.8}, {1, 0.5, 0.8}, {1, 0, 0}};
    const std::string svg = formats::renderSvg(frameOf(base, displaced));
    const auto drawn = polygons(svg);
    ASSERT_EQ(drawn.size(), 2u);
    const Projection projection(frontCamera(), 200, 100);
    const std::vector<Position> before = hostsim::toPositions(base);
    for (std::size_t panel = 0; panel < 2; ++panel) {
        SCOPED_TRACE(panel == 0 ? "before" : "after");
        ASSERT_EQ(drawn[panel].points.size(), 4u);
        for (std::size_t i = 0; i < 4; ++i) {
            const Position &p = panel == 0 ? before[i] : displaced[i];
            const auto s = projection.project({p[0], p[1], p[2]});
            EXPECT_NEAR(drawn[panel].points[i].first, s.x, pixelTolerance);
            EXPECT_NEAR(drawn[panel].points[i].second, s.y, pixelTolerance);
        }
    }
    EXPECT_NE(svg.find(R"x(<g transform="translate(200.00,0)")x"), std::string::npos)
        << "the second panel sits to the right";
}

TEST(SvgPicture, LeafSeenFromItsTurnedSideIsFacingAndFromTheOtherSideFar) {
    // Wound counter-clockwise about +Z (right-handed), so the module's local -Z points at the
    // camera at -Z.
    const std::vector<Base> toCamera{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    const std::vector<Base> reversed{{0, 1, 0}, {1, 1, 0}, {1, 0, 0}, {0, 0, 0}};
    EXPECT_EQ(
        polygons(formats::renderSvg(frameOf(toCamera, hostsim::toPositions(toCamera))))[0].kind,
        "facing");
    EXPECT_EQ(
        polygons(formats::renderSvg(frameOf(reversed, hostsim::toPositions(reversed))))[0].kind,
        "far");
    // The pivot on the last point measures the leaf's axis the other way, and so its turned side.
    const std::vector<Position> unmoved =
        hostsim::toPositions(toCamera);  // the frame only points at it
    SvgFrame lastPivot = frameOf(toCamera, unmoved);
    lastPivot.pivotRule = 3;
    EXPECT_EQ(polygons(formats::renderSvg(lastPivot))[0].kind, "far");
}

TEST(SvgPicture, LegendNamesBothColoursAndTheWinding) {
    const std::vector<Base> base{{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}};
    const std::string svg = formats::renderSvg(frameOf(base, hostsim::toPositions(base)));
    EXPECT_NE(svg.find("facing: the side the module turns toward the target"), std::string::npos);
    EXPECT_NE(svg.find("far: the other side"), std::string::npos);
    EXPECT_NE(svg.find("counter-clockwise"), std::string::npos);
}

TEST(SvgPicture, BigMeshesDrawAnEvenSampleOfLeavesAndSaySo) {
    std::vector<Base> base;
    for (int leaf = 0; leaf < 100; ++leaf) {
        const float x = static_cast<float>(leaf) * 0.01f;
        for (const Base &corner :
             std::vector<Base>{{x, 0, 0}, {x, 1, 0}, {x + 0.005f, 1, 0}, {x + 0.005f, 0, 0}})
            base.push_back(corner);
    }
    const std::vector<Position> unmoved =
        hostsim::toPositions(base);  // the frame only points at it
    SvgFrame frame = frameOf(base, unmoved);
    frame.maxLeaves = 10;
    const std::string svg = formats::renderSvg(frame);
    EXPECT_EQ(polygons(svg).size(), 20u) << "ten leaves in each panel";
    EXPECT_NE(svg.find("sampled: every 10th of 100 leaves drawn"), std::string::npos);
    frame.maxLeaves = 100;
    const std::string whole = formats::renderSvg(frame);
    EXPECT_EQ(polygons(whole).size(), 200u);
    EXPECT_EQ(whole.find("sampled"), std::string::npos);
}

TEST(SvgPicture, TargetLabelNearTheEdgeStaysInsideThePanel) {
    const std::vector<Base> base{{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}};
    const std::vector<Position> displaced = hostsim::toPositions(base);
    SvgFrame frame = frameOf(base, displaced);
    frame.targetName = "Long target name";
    frame.targetPosition =
        Point3{9, 4.5, 0};  // at (190, 5), near the top right corner of the 200 x 100 panel
    const std::string svg = formats::renderSvg(frame);
    const std::size_t text = svg.find("<text x=\"", svg.find("<g class=\"target\""));
    ASSERT_NE(text, std::string::npos);
    const double x = std::stod(svg.substr(text + 9));
    const double y = std::stod(svg.substr(svg.find("y=\"", text) + 3));
    EXPECT_GE(x, 0.0);
    EXPECT_LE(x + 8.0 * static_cast<double>(frame.targetName.size()), 200.0);
    EXPECT_GE(y, 14.0);
    EXPECT_LE(y, 100.0);
}

TEST(SvgPicture, FarLeavesAreDrawnBeforeNearOnes) {
    // The first leaf is near the camera, the second far behind it.
    const std::vector<Base> base{{0, 0, -5}, {0, 1, -5}, {1, 1, -5}, {1, 0, -5},
                                 {0, 0, 5},  {0, 1, 5},  {1, 1, 5},  {1, 0, 5}};
    const auto drawn = polygons(formats::renderSvg(frameOf(base, hostsim::toPositions(base))));
    ASSERT_EQ(drawn.size(), 4u);
    const double nearWidth = drawn[1].points[2].first - drawn[1].points[0].first;
    const double farWidth = drawn[0].points[2].first - drawn[0].points[0].first;
    EXPECT_LT(farWidth, nearWidth) << "the first polygon drawn is the far one";
}

TEST(SvgPicture, PointsOfNoWholeLeafAreDots) {
    const std::vector<Base> base{{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}, {2, 0, 0}, {2, 1, 0}};
    const std::string svg = formats::renderSvg(frameOf(base, hostsim::toPositions(base)));
    EXPECT_EQ(polygons(svg).size(), 2u);
    EXPECT_EQ(count(svg, "<circle class=\"loose\""), 4u);
}

TEST(SvgPicture, PointsBehindTheCameraAreLeftOut) {
    const std::vector<Base> base{{0, 0, -20}, {0, 1, -20}, {1, 1, -20}, {1, 0, -20},
                                 {0, 0, 0},   {0, 1, 0},   {1, 1, 0},   {1, 0, 0}};
    EXPECT_EQ(polygons(formats::renderSvg(frameOf(base, hostsim::toPositions(base)))).size(), 2u);
}

TEST(SvgPicture, TargetAndCaptionAreShownWithNamesEscaped) {
    const std::vector<Base> base{{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}};
    const std::vector<Position> displaced = hostsim::toPositions(base);
    SvgFrame frame = frameOf(base, displaced);
    frame.targetName = "<Bee & \"Co\">\x01";
    frame.targetPosition = Point3{0, 0, 0};
    frame.frame = 12;
    frame.caption = "Object points 4 <P Align on>";
    const std::string svg = formats::renderSvg(frame);
    EXPECT_EQ(count(svg, "&lt;Bee &amp; &quot;Co&quot;&gt;\xEF\xBF\xBD</text>"), 2u)
        << "named in both panels";
    EXPECT_EQ(count(svg, "<g class=\"target\""), 2u);
    EXPECT_NE(svg.find("<circle cx=\"100.00\" cy=\"50.00\" r=\"6\"/>"), std::string::npos)
        << "marked at its projection";
    EXPECT_NE(svg.find("frame 12 \xE2\x80\x94 Object points 4 &lt;P Align on&gt;</text>"),
              std::string::npos);
    EXPECT_EQ(svg.find("<Bee"), std::string::npos);
}

TEST(SvgPicture, DefaultCameraFramesLeavesAndTarget) {
    const std::vector<Base> base{{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}};
    const std::vector<Position> displaced = hostsim::toPositions(base);
    SvgFrame frame = frameOf(base, displaced);
    frame.camera.reset();
    frame.targetName = "Far";
    frame.targetPosition = Point3{30, 5, 20};
    const std::string svg = formats::renderSvg(frame);
    for (const Polygon &polygon : polygons(svg)) {
        for (const auto &[x, y] : polygon.points) {
            EXPECT_GT(x, 0.0);
            EXPECT_LT(x, 200.0);
            EXPECT_GT(y, 0.0);
            EXPECT_LT(y, 100.0);
        }
    }
    EXPECT_EQ(count(svg, "<g class=\"target\""), 2u) << "the target is in view";
}

// 23 leaves of four points and three loose points, turned and moved a little in the displaced set.
// A base point of a drawn leaf is not a number and a displaced one of another is infinite; so is a
// point of a leaf that is not drawn, which the default camera must leave out all the same.
struct SampledBush {
    std::vector<Base> base;
    std::vector<Position> displaced;
    SampledBush() {
        for (int leaf = 0; leaf < 23; ++leaf) {
            const float x = static_cast<float>(leaf % 5) * 0.7f - 1.4f;
            const float y = static_cast<float>(leaf / 5) * 0.6f - 1.2f;
            const float z = static_cast<float>((leaf * 7) % 11) * 0.3f - 1.5f;
            for (const Base &corner : std::vector<Base>{
                     {0, 0, 0}, {0.1f, 0.5f, 0.05f}, {0.45f, 0.55f, -0.1f}, {0.4f, 0.02f, 0.0f}})
                base.push_back({x + corner[0], y + corner[1], z + corner[2]});
        }
        for (const Base &loose :
             std::vector<Base>{{2.0f, 1.5f, 0.25f}, {-2.1f, 0.9f, 1.0f}, {0.3f, -1.9f, -0.6f}})
            base.push_back(loose);
        for (std::size_t i = 0; i < base.size(); ++i) {
            const double turn = 0.05 * static_cast<double>(i % 9);
            const Base &p = base[i];
            displaced.push_back({p[0] * std::cos(turn) - p[2] * std::sin(turn) + 0.01,
                                 p[1] + 0.02 * turn,
                                 p[0] * std::sin(turn) + p[2] * std::cos(turn)});
        }
        base[4 * 10 + 2][1] = std::numeric_limits<float>::quiet_NaN();
        displaced[4 * 15 + 1][2] = std::numeric_limits<double>::infinity();
        base[4 * 3 + 1][0] = -std::numeric_limits<float>::infinity();
        displaced[4 * 3 + 3][1] = std::numeric_limits<double>::quiet_NaN();
    }
    SvgFrame frame() const {
        SvgFrame frame;
        frame.base = base;
        frame.displaced = displaced;
        frame.maxLeaves = 5;  // every 5th leaf and loose point is drawn
        frame.pivotRule = 2;
        frame.targetName = "Sun";
        frame.targetPosition = Point3{0.5, 1.2, -2.0};
        frame.frame = 3;
        frame.caption = "Bush: sampled";
        frame.panelWidth = 320;
        frame.panelHeight = 240;
        return frame;
    }
};

// Known pictures of a sampled bush with points that are not numbers, by camera and by framing.
// They were written by the renderer that placed leaves to a tenth of a pixel and left out hidden
// ones; since, drawing only the sampled leaves has changed no byte of them.
TEST(SvgPicture, SampledPictureIsByteForByteTheKnownOne) {
    const SampledBush bush;
    SvgFrame withCamera = bush.frame();
    withCamera.camera = Camera{{1.0, 1.5, -6.0}, {0.0, 0.0, 0.0}, 0.8};
    EXPECT_EQ(formats::renderSvg(withCamera),
              testkit::fileText(testData / "svg" / "sampled_camera.svg"));
    EXPECT_EQ(formats::renderSvg(bush.frame()),
              testkit::fileText(testData / "svg" / "sampled_framed.svg"))
        << "framed by every finite point";
}

// Two leaves, one behind the other: a far one wholly behind a near one is left out; one that shows
// past the near one's edge, or lies behind a leaf that is not convex, is drawn.
TEST(SvgPicture, LeavesWhollyBehindNearerOnesAreLeftOut) {
    // The front camera: 10 pixels a unit at z 0, 100/11 at z 1; the panel is 200 x 100 pixels.
    const auto card = [](float left, float bottom, float size, float z) {
        return std::vector<Base>{{left, bottom, z},
                                 {left, bottom + size, z},
                                 {left + size, bottom + size, z},
                                 {left + size, bottom, z}};
    };
    const auto picture = [](const std::vector<Base> &nearLeaf, const std::vector<Base> &farLeaf) {
        std::vector<Base> base = farLeaf;
        base.insert(base.end(), nearLeaf.begin(), nearLeaf.end());
        return polygons(formats::renderSvg(frameOf(base, hostsim::toPositions(base))));
    };
    const std::vector<Base> nearLeaf = card(-4, -4, 8, 0);  // 80 pixels wide, its right edge at 140
    EXPECT_EQ(picture(nearLeaf, card(-1, -1, 2, 1)).size(), 2u)
        << "one leaf in each panel: the small far one is hidden";
    EXPECT_EQ(picture(nearLeaf, card(3, -1, 2, 1)).size(), 4u)
        << "the far one shows past the near one's right edge";
    EXPECT_EQ(picture(nearLeaf, card(2, -1, 2.3f, 1)).size(), 4u)
        << "its right edge within a pixel of the near one's: its outline may show";
    std::vector<Base> bowTie = nearLeaf;
    std::swap(bowTie[2], bowTie[3]);  // crosses itself: what it covers is not worked out
    EXPECT_EQ(picture(bowTie, card(-3, -0.5f, 1, 1)).size(), 4u);
    EXPECT_EQ(picture(card(-1, -1, 2, 0), card(-4, -4, 8, 1)).size(), 4u)
        << "a big far leaf around a small near one shows";
}

TEST(SvgPicture, ShapesOutsideThePanelAreLeftOut) {
    const std::vector<Base> base{{15, 0, 0}, {15, 1, 0}, {16, 1, 0}, {16, 0, 0}, {0, 0, 0},
                                 {0, 1, 0},  {1, 1, 0},  {1, 0, 0},  {-15, 0, 0}};
    const std::string svg = formats::renderSvg(frameOf(base, hostsim::toPositions(base)));
    EXPECT_EQ(polygons(svg).size(), 2u) << "only the leaf at the middle";
    EXPECT_EQ(count(svg, "<circle class=\"loose\""), 0u);
}

TEST(PanelCoverage, LeavesSmallerThanAPixelShowOncePerPixel) {
    formats::PanelCoverage coverage(100, 100);
    const auto tiny = [](double x, double y) {
        return std::vector<formats::ScreenPoint>{
            {x, y, 1}, {x + 0.3, y, 1}, {x + 0.3, y + 0.3, 1}, {x, y + 0.3, 1}};
    };
    EXPECT_TRUE(coverage.show(tiny(10.1, 10.1), 1.0)) << "the nearest in its pixel";
    EXPECT_FALSE(coverage.show(tiny(10.5, 10.6), 1.0)) << "a farther one in the same pixel";
    EXPECT_TRUE(coverage.show(tiny(11.5, 10.6), 1.0)) << "the next pixel";
    const std::vector<formats::ScreenPoint> dot{{10.5, 10.5, 1}};
    EXPECT_TRUE(coverage.show(dot, 2.0)) << "tiny leaves hide nothing";
}

TEST(PanelCoverage, PanelsTooLargeToTrackShowEveryShape) {
    const std::vector<formats::ScreenPoint> square{{1, 1, 1}, {9, 1, 1}, {9, 9, 1}, {1, 9, 1}};
    const std::vector<formats::ScreenPoint> within{{4, 4, 2}, {6, 4, 2}, {6, 6, 2}, {4, 6, 2}};
    for (const auto &[width, height] : std::vector<std::pair<double, double>>{
             {1e9, 0.001}, {1e5, 1e5}, {std::nan(""), 10}, {0, 10}}) {
        formats::PanelCoverage coverage(width, height);
        EXPECT_TRUE(coverage.show(square, 1.0));
        EXPECT_TRUE(coverage.show(within, 1.0)) << width << " x " << height;
    }
}

TEST(PanelCoverage, AConvexLeafHidesWhatLiesWithinItAndNoMore) {
    formats::PanelCoverage coverage(100, 100);
    // A diamond around (50, 50) reaching 20 pixels each way.
    const std::vector<formats::ScreenPoint> diamond{
        {50, 30, 1}, {70, 50, 1}, {50, 70, 1}, {30, 50, 1}};
    EXPECT_TRUE(coverage.show(diamond, 1.2));
    const auto square = [](double x, double y, double size) {
        return std::vector<formats::ScreenPoint>{
            {x, y, 2}, {x + size, y, 2}, {x + size, y + size, 2}, {x, y + size, 2}};
    };
    EXPECT_FALSE(coverage.show(square(45, 45, 10), 1.2)) << "well inside";
    EXPECT_TRUE(coverage.show(square(58, 58, 3), 1.2)) << "across the diamond's edge";
    EXPECT_TRUE(coverage.show(square(30, 30, 3), 1.2)) << "in its bounding box, outside it";
    EXPECT_TRUE(coverage.show(square(45, 45, 10), 20.0)) << "reaching out of it";
}

TEST(SvgPicture, DifferentNumbersOfBaseAndDisplacedPointsAreRefused) {
    const std::vector<Base> base{{0, 0, 0}};
    EXPECT_THROW(formats::renderSvg(frameOf(base, {})), std::invalid_argument);
}

// --- HTML index

TEST(HtmlIndex, RefersToEveryFrameByRelativeUrlWithoutNetwork) {
    testkit::ScratchFolder dir;
    const std::vector<std::filesystem::path> frames{dir.path() / "frame_0000.svg",
                                                    dir.path() / "more frames" / "#1 100%.svg"};
    formats::writeHtmlIndex(dir.path(), frames, 12.0, "pictures.html");
    const std::string page = testkit::fileText(dir.path() / "pictures.html");
    EXPECT_NE(page.find(R"(const frames = ["frame_0000.svg","more%20frames/%231%20100%25.svg"];)"),
              std::string::npos)
        << page;
    EXPECT_NE(page.find("const framesPerSecond = 12.0;"), std::string::npos);
    EXPECT_NE(page.find(R"(<input id="slider" type="range")"), std::string::npos);
    EXPECT_NE(page.find(R"(<button id="play")"), std::string::npos);
    EXPECT_EQ(page.find("http"), std::string::npos);
    EXPECT_EQ(page.find("src=\""), std::string::npos)
        << "no script or picture is fetched by a fixed address";
}

}  // namespace
