// Rendering a frame: project the drawn points of both sets with one camera, sort the leaves far to
// near, write SVG.
#include "formats/svg_picture.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "formats/leaf_side.h"
#include "formats/svg_coverage.h"
#include "formats/text/number_text.h"
#include "formats/text/xml_text.h"

namespace formats {

using hostsim::Point3;
namespace {

constexpr double captionHeight = 58.0;
constexpr double characterWidth =
    8.0;  // a generous width of one character at the picture's font size
constexpr double dotRadius = 1.6;
constexpr double strokeWidth = 0.35;
// Leaves and dots are placed to a tenth of a pixel: a finer place cannot be seen.
constexpr int shapeDecimals = 1;
// How far around a shape's points it may touch pixels: its outline, and the pixel the browser
// smooths its edge into.
constexpr double leafReach = strokeWidth / 2.0 + 1.0;
constexpr double dotReach = dotRadius + strokeWidth / 2.0 + 1.0;

struct Colour {
    double r, g, b;
};
constexpr Colour facingColour{0.36, 0.70, 0.26};
constexpr Colour farColour{0.72, 0.44, 0.22};

// A leaf, or one loose point when count is 1: its points' place among the object's points.
struct Piece {
    std::size_t first;
    std::size_t count;
};

// A leaf polygon, or one loose point when count is 1, with its points' place among the drawn
// points.
struct Shape {
    double depth;
    std::size_t first;
    std::size_t count;
};

bool isFinite(const Point3 &p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

void appendColour(std::string &out, Colour colour, double light) {
    constexpr char hexDigits[] = "0123456789abcdef";
    std::array<char, 7> text{'#'};
    std::size_t at = 1;
    for (double channel : {colour.r, colour.g, colour.b}) {
        const int value =
            static_cast<int>(std::lround(std::clamp(channel * light, 0.0, 1.0) * 255.0));
        text[at++] = hexDigits[value / 16];
        text[at++] = hexDigits[value % 16];
    }
    out.append(text.data(), text.size());
}

// Appends "x,y" with `decimals` decimals each, in one piece.
void appendXY(std::string &out, double x, double y, int decimals = 2) {
    std::array<char, 2 * fixedRoom + 1> buffer;
    char *end = writeFixed(buffer.data(), x, decimals);
    *end++ = ',';
    out.append(buffer.data(), writeFixed(end, y, decimals));
}

// How squarely the polygon faces the eye, from 0 (edge on) to 1, by its Newell normal.
double facing(std::span<const Point3> polygon, const Point3 &eye) {
    Point3 normal;
    Point3 centre;
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const Point3 &a = polygon[i];
        const Point3 &b = polygon[(i + 1) % polygon.size()];
        normal.x += (a.y - b.y) * (a.z + b.z);
        normal.y += (a.z - b.z) * (a.x + b.x);
        normal.z += (a.x - b.x) * (a.y + b.y);
        centre.x += a.x / static_cast<double>(polygon.size());
        centre.y += a.y / static_cast<double>(polygon.size());
        centre.z += a.z / static_cast<double>(polygon.size());
    }
    const Point3 view{eye.x - centre.x, eye.y - centre.y, eye.z - centre.z};
    const double lengths =
        std::sqrt((normal.x * normal.x + normal.y * normal.y + normal.z * normal.z) *
                  (view.x * view.x + view.y * view.y + view.z * view.z));
    if (!(lengths > 0.0)) return 0.0;
    return std::min(1.0,
                    std::abs(normal.x * view.x + normal.y * view.y + normal.z * view.z) / lengths);
}

std::size_t wholeLeaves(std::size_t points, int leafSize) {
    return leafSize > 1 ? points / static_cast<std::size_t>(leafSize) : 0;
}

// Every how many leaves (and loose points) one is drawn: 1 up to frame.maxLeaves, then evenly
// spread.
std::size_t sampleStride(std::size_t points, const SvgFrame &frame) {
    const std::size_t shapes =
        std::max(wholeLeaves(points, frame.leafSize),
                 points - wholeLeaves(points, frame.leafSize) *
                              static_cast<std::size_t>(std::max(frame.leafSize, 1)));
    const std::size_t most = std::max<std::size_t>(frame.maxLeaves, 1);
    return shapes <= most ? 1 : (shapes + most - 1) / most;
}

// The leaves and loose points a panel draws: every stride-th leaf, then every stride-th loose
// point.
std::vector<Piece> drawnPieces(std::size_t points, const SvgFrame &frame) {
    const std::size_t perLeaf = frame.leafSize > 0 ? static_cast<std::size_t>(frame.leafSize) : 0;
    const std::size_t leaves = perLeaf > 1 ? points / perLeaf : 0;
    const std::size_t stride = sampleStride(points, frame);
    std::vector<Piece> pieces;
    pieces.reserve((leaves + stride - 1) / stride +
                   (points - leaves * perLeaf + stride - 1) / stride);
    for (std::size_t leaf = 0; leaf < leaves; leaf += stride)
        pieces.push_back({leaf * perLeaf, perLeaf});
    for (std::size_t i = leaves * perLeaf; i < points; i += stride) pieces.push_back({i, 1});
    return pieces;
}

// The points of the drawn pieces, one after another; only these are converted and projected.
template <class Coordinate>
std::vector<Point3> drawnPoints(std::span<const std::array<Coordinate, 3>> points,
                                std::span<const Piece> pieces) {
    std::size_t total = 0;
    for (const Piece &piece : pieces) total += piece.count;
    std::vector<Point3> out;
    out.reserve(total);
    // A sample's pieces lie far apart in a big mesh: each one's points are asked of the memory a
    // few pieces ahead, so that their loads overlap.
    constexpr std::size_t ahead = 8;
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        if (k + ahead < pieces.size()) {
            const Piece &later = pieces[k + ahead];
            __builtin_prefetch(&points[later.first]);
            __builtin_prefetch(&points[later.first + later.count - 1]);
        }
        for (std::size_t i = pieces[k].first; i < pieces[k].first + pieces[k].count; ++i)
            out.push_back(hostsim::toPoint3(points[i]));
    }
    return out;
}

// The mean depth of a shape's points, or none when one of them is behind the camera or not a
// number: such a shape has no place in the picture.
std::optional<double> meanDepth(std::span<const ScreenPoint> points) {
    double depth = 0.0;
    for (const ScreenPoint &s : points) {
        if (!(s.depth > 0.0) || !std::isfinite(s.x) || !std::isfinite(s.y)) return std::nullopt;
        depth += s.depth;
    }
    return depth / static_cast<double>(points.size());
}

// Writes one panel's leaves and loose points, far to near, leaving out those that nearer ones hide,
// those outside the panel, and all but the nearest leaf smaller than a pixel in each pixel.
// `points` are the drawn points, the pieces' points one after another.
void paintLeaves(std::string &out, const Projection &projection, std::span<const Point3> points,
                 std::span<const Piece> pieces, const SvgFrame &frame) {
    std::vector<ScreenPoint> screen(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) screen[i] = projection.project(points[i]);

    std::vector<Shape> shapes;
    shapes.reserve(pieces.size());
    std::size_t first = 0;
    for (const Piece &piece : pieces) {
        if (const auto depth = meanDepth(std::span(screen).subspan(first, piece.count)))
            shapes.push_back({*depth, first, piece.count});
        first += piece.count;
    }
    std::stable_sort(shapes.begin(), shapes.end(),
                     [](const Shape &a, const Shape &b) { return a.depth > b.depth; });

    // Nearest first, each shape that nearer ones leave some pixel of; those are drawn far to near.
    std::vector<char> shown(shapes.size());
    PanelCoverage coverage(frame.panelWidth, frame.panelHeight);
    for (std::size_t i = shapes.size(); i-- > 0;) {
        const Shape &shape = shapes[i];
        shown[i] = coverage.show(std::span(screen).subspan(shape.first, shape.count),
                                 shape.count == 1 ? dotReach : leafReach);
    }

    out += "<g stroke=\"#1f2e17\" stroke-width=\"0.35\" stroke-linejoin=\"round\">\n";
    for (std::size_t k = 0; k < shapes.size(); ++k) {
        if (!shown[k]) continue;
        const Shape &shape = shapes[k];
        if (shape.count == 1) {
            const ScreenPoint &s = screen[shape.first];
            out += "<circle class=\"loose\" cx=\"";
            appendFixed(out, s.x, shapeDecimals);
            out += "\" cy=\"";
            appendFixed(out, s.y, shapeDecimals);
            out += "\" r=\"";
            appendFixed(out, dotRadius, 1);
            out += "\" fill=\"#555\"/>\n";
            continue;
        }
        // The side the module turns toward the target is the one its local -Z points to.
        const std::span<const Point3> leaf = points.subspan(shape.first, shape.count);
        const Point3 side = facingDirection(leaf, frame.pivotRule);
        const Point3 &eye = projection.eye();
        const double toEye = side.x * (eye.x - leaf[0].x) + side.y * (eye.y - leaf[0].y) +
                             side.z * (eye.z - leaf[0].z);
        const bool seenFacing = toEye > 0.0;
        const double light = 0.45 + 0.55 * facing(leaf, eye);
        out += seenFacing ? "<polygon class=\"facing\" fill=\"" : "<polygon class=\"far\" fill=\"";
        appendColour(out, seenFacing ? facingColour : farColour, light);
        out += "\" points=\"";
        for (std::size_t i = 0; i < shape.count; ++i) {
            if (i > 0) out += ' ';
            appendXY(out, screen[shape.first + i].x, screen[shape.first + i].y, shapeDecimals);
        }
        out += "\"/>\n";
    }
    out += "</g>\n";
}

void paintTarget(std::string &out, const Projection &projection, const SvgFrame &frame) {
    if (!frame.targetPosition) return;
    const ScreenPoint s = projection.project(*frame.targetPosition);
    if (!(s.depth > 0.0) || !std::isfinite(s.x) || !std::isfinite(s.y)) return;
    out += "<g class=\"target\" stroke=\"#b03020\" stroke-width=\"1.5\" fill=\"none\">";
    out += "<circle cx=\"";
    appendFixed(out, s.x, 2);
    out += "\" cy=\"";
    appendFixed(out, s.y, 2);
    out += "\" r=\"6\"/><path d=\"M";
    appendXY(out, s.x - 10.0, s.y);
    out += "H";
    appendFixed(out, s.x + 10.0, 2);
    out += "M";
    appendXY(out, s.x, s.y - 10.0);
    out += "V";
    appendFixed(out, s.y + 10.0, 2);
    // The label sits above right of the mark, or wherever else keeps it inside the panel.
    const double labelWidth = characterWidth * static_cast<double>(frame.targetName.size());
    const bool onLeft =
        s.x + 10.0 + labelWidth > frame.panelWidth - 4.0 && s.x - 10.0 - labelWidth >= 4.0;
    const double labelX =
        onLeft ? s.x - 10.0 - labelWidth
               : std::clamp(s.x + 10.0, 4.0, std::max(4.0, frame.panelWidth - 4.0 - labelWidth));
    const double labelY = std::clamp(s.y - 10.0 < 18.0 ? s.y + 22.0 : s.y - 10.0, 18.0,
                                     std::max(18.0, frame.panelHeight - 6.0));
    out += "\"/><text x=\"";
    appendFixed(out, labelX, 2);
    out += "\" y=\"";
    appendFixed(out, labelY, 2);
    out += "\" fill=\"#b03020\" stroke=\"none\">" + xmlEscaped(frame.targetName) + "</text></g>\n";
}

void paintPanel(std::string &out, const Projection &projection, std::span<const Point3> points,
                std::span<const Piece> pieces, const SvgFrame &frame, double offset,
                const char *title) {
    out += "<g transform=\"translate(";
    appendFixed(out, offset, 2);
    out += ",0)\" clip-path=\"url(#panel)\">\n";
    out += "<rect width=\"";
    appendFixed(out, frame.panelWidth, 2);
    out += "\" height=\"";
    appendFixed(out, frame.panelHeight, 2);
    out += "\" fill=\"#fbfaf6\" stroke=\"#c9c3b5\"/>\n";
    paintLeaves(out, projection, points, pieces, frame);
    paintTarget(out, projection, frame);
    out += "<text x=\"12\" y=\"24\" font-weight=\"bold\">";
    out += title;
    out += "</text>\n</g>\n";
}

std::string ordinalSuffix(std::size_t n) {
    if (n % 100 >= 11 && n % 100 <= 13) return "th";
    return n % 10 == 1 ? "st" : n % 10 == 2 ? "nd" : n % 10 == 3 ? "rd" : "th";
}

// The two leaf colours and what they mean, on one line.
void paintLegend(std::string &out, double y) {
    constexpr double legendCharacter = 6.0;  // a typical width at font size 12
    double x = 12.0;
    const auto entry = [&](std::optional<Colour> colour, std::string_view text) {
        if (colour) {
            out += "<rect x=\"";
            appendFixed(out, x, 2);
            out += "\" y=\"";
            appendFixed(out, y - 11.0, 2);
            out += "\" width=\"14\" height=\"14\" stroke=\"#1f2e17\" stroke-width=\"0.35\" fill=\"";
            appendColour(out, *colour, 1.0);
            out += "\"/>";
            x += 20.0;
        }
        out += "<text x=\"";
        appendFixed(out, x, 2);
        out += "\" y=\"";
        appendFixed(out, y, 2);
        out += "\">";
        out += text;
        out += "</text>";
        x += legendCharacter * static_cast<double>(text.size()) + 14.0;
    };
    out += "<g class=\"legend\" font-size=\"12\">";
    entry(facingColour,
          "facing: the side the module turns toward the target (the leaf's local \xE2\x88\x92Z)");
    entry(farColour, "far: the other side.");
    entry(
        std::nullopt,
        "A card wound counter-clockwise from its front (OBJ, glTF) faces the target with its back "
        "(pivot on the first point).");
    out += "</g>\n";
}

// Frames every finite point of both sets, and the target.
Camera defaultCamera(const SvgFrame &frame) {
    std::vector<Point3> shown;
    shown.reserve(frame.base.size() + frame.displaced.size() + 1);
    const auto addFinite = [&shown](const auto &set) {
        for (const auto &p : set) {
            const Point3 point = hostsim::toPoint3(p);
            if (isFinite(point)) shown.push_back(point);
        }
    };
    addFinite(frame.base);
    addFinite(frame.displaced);
    if (frame.targetPosition && isFinite(*frame.targetPosition))
        shown.push_back(*frame.targetPosition);
    return framingCamera(shown, frame.panelWidth / frame.panelHeight);
}

}  // namespace

std::string renderSvg(const SvgFrame &frame) {
    if (frame.base.size() != frame.displaced.size()) {
        throw std::invalid_argument("renderSvg: " + std::to_string(frame.base.size()) +
                                    " base points but " + std::to_string(frame.displaced.size()) +
                                    " displaced points");
    }
    const Projection projection(frame.camera ? *frame.camera : defaultCamera(frame),
                                frame.panelWidth, frame.panelHeight);
    const std::vector<Piece> pieces = drawnPieces(frame.base.size(), frame);
    const std::vector<Point3> base = drawnPoints(frame.base, pieces);
    const std::vector<Point3> displaced = drawnPoints(frame.displaced, pieces);

    const double width = 2.0 * frame.panelWidth;
    const double height = frame.panelHeight + captionHeight;
    std::string out;
    out.reserve(4096 + 2 * (pieces.size() * 72 + base.size() * 20));
    out +=
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
        "width=\"";
    appendFixed(out, width, 0);
    out += "\" height=\"";
    appendFixed(out, height, 0);
    out += "\" viewBox=\"0 0 ";
    appendFixed(out, width, 2);
    out += ' ';
    appendFixed(out, height, 2);
    out += "\" font-family=\"sans-serif\" font-size=\"14\">\n";
    out += "<defs><clipPath id=\"panel\"><rect width=\"";
    appendFixed(out, frame.panelWidth, 2);
    out += "\" height=\"";
    appendFixed(out, frame.panelHeight, 2);
    out += "\"/></clipPath></defs>\n<rect width=\"100%\" height=\"100%\" fill=\"#efece4\"/>\n";
    paintPanel(out, projection, base, pieces, frame, 0.0, "before");
    paintPanel(out, projection, displaced, pieces, frame, frame.panelWidth, "after");
    out += "<text x=\"12\" y=\"";
    appendFixed(out, frame.panelHeight + 22.0, 2);
    out += "\">frame " + std::to_string(frame.frame);
    if (!frame.caption.empty()) out += " \xE2\x80\x94 " + xmlEscaped(frame.caption);
    const std::size_t stride = sampleStride(frame.base.size(), frame);
    if (stride > 1) {
        out += " \xE2\x80\x94 sampled: every " + std::to_string(stride) + ordinalSuffix(stride) +
               " of " + std::to_string(wholeLeaves(frame.base.size(), frame.leafSize)) +
               " leaves drawn";
    }
    out += "</text>\n";
    paintLegend(out, frame.panelHeight + 46.0);
    out += "</svg>\n";
    return out;
}

}  // namespace formats
