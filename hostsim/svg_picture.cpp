// Rendering a frame: project both point sets with one camera, sort the leaves far to near, write SVG.
#include "hostsim/svg_picture.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "hostsim/number_text.h"
#include "hostsim/xml_text.h"

namespace hostsim {
namespace {

constexpr double kCaptionHeight = 36.0;
constexpr double kDotRadius = 1.6;

struct Colour {
    double r, g, b;
};
constexpr Colour kFrontColour{0.40, 0.68, 0.30};
constexpr Colour kBackColour{0.63, 0.47, 0.28};

// A leaf polygon, or one loose point when count is 1.
struct Shape {
    double depth;
    std::size_t first;
    std::size_t count;
};

template <class Coordinate>
std::vector<Point3> toPoints(std::span<const std::array<Coordinate, 3>> points) {
    std::vector<Point3> out;
    out.reserve(points.size());
    for (const auto &p : points) out.push_back({static_cast<double>(p[0]), static_cast<double>(p[1]), static_cast<double>(p[2])});
    return out;
}

bool isFinite(const Point3 &p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

void appendColour(std::string &out, Colour colour, double light) {
    constexpr char kHex[] = "0123456789abcdef";
    out += '#';
    for (double channel : {colour.r, colour.g, colour.b}) {
        const int value = static_cast<int>(std::lround(std::clamp(channel * light, 0.0, 1.0) * 255.0));
        out += kHex[value / 16];
        out += kHex[value % 16];
    }
}

void appendXY(std::string &out, double x, double y) {
    appendFixed(out, x, 2);
    out += ',';
    appendFixed(out, y, 2);
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
    const double lengths = std::sqrt((normal.x * normal.x + normal.y * normal.y + normal.z * normal.z) *
                                     (view.x * view.x + view.y * view.y + view.z * view.z));
    if (!(lengths > 0.0)) return 0.0;
    return std::min(1.0, std::abs(normal.x * view.x + normal.y * view.y + normal.z * view.z) / lengths);
}

// Writes one panel's leaves and loose points, far to near.
void paintLeaves(std::string &out, const Projection &projection, std::span<const Point3> points, int leafSize) {
    std::vector<ScreenPoint> screen(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) screen[i] = projection.project(points[i]);

    const std::size_t perLeaf = leafSize > 0 ? static_cast<std::size_t>(leafSize) : 0;
    const std::size_t leaves = perLeaf > 1 ? points.size() / perLeaf : 0;
    std::vector<Shape> shapes;
    shapes.reserve(points.size());
    const auto add = [&](std::size_t first, std::size_t count) {
        double depth = 0.0;
        for (std::size_t i = first; i < first + count; ++i) {
            const ScreenPoint &s = screen[i];
            // Anything behind the camera, or not a number, has no place in the picture.
            if (!(s.depth > 0.0) || !std::isfinite(s.x) || !std::isfinite(s.y)) return;
            depth += s.depth;
        }
        shapes.push_back({depth / static_cast<double>(count), first, count});
    };
    for (std::size_t leaf = 0; leaf < leaves; ++leaf) add(leaf * perLeaf, perLeaf);
    for (std::size_t i = leaves * perLeaf; i < points.size(); ++i) add(i, 1);
    std::stable_sort(shapes.begin(), shapes.end(), [](const Shape &a, const Shape &b) { return a.depth > b.depth; });

    out += "<g stroke=\"#1f2e17\" stroke-width=\"0.35\" stroke-linejoin=\"round\">\n";
    for (const Shape &shape : shapes) {
        if (shape.count == 1) {
            const ScreenPoint &s = screen[shape.first];
            out += "<circle class=\"loose\" cx=\"";
            appendFixed(out, s.x, 2);
            out += "\" cy=\"";
            appendFixed(out, s.y, 2);
            out += "\" r=\"";
            appendFixed(out, kDotRadius, 1);
            out += "\" fill=\"#555\"/>\n";
            continue;
        }
        // Clockwise on a screen whose y runs down means a positive shoelace sum.
        double area = 0.0;
        for (std::size_t i = 0; i < shape.count; ++i) {
            const ScreenPoint &a = screen[shape.first + i];
            const ScreenPoint &b = screen[shape.first + (i + 1) % shape.count];
            area += a.x * b.y - b.x * a.y;
        }
        const bool front = area >= 0.0;
        const double light = 0.45 + 0.55 * facing(points.subspan(shape.first, shape.count), projection.eye());
        out += front ? "<polygon class=\"front\" fill=\"" : "<polygon class=\"back\" fill=\"";
        appendColour(out, front ? kFrontColour : kBackColour, light);
        out += "\" points=\"";
        for (std::size_t i = 0; i < shape.count; ++i) {
            if (i > 0) out += ' ';
            appendXY(out, screen[shape.first + i].x, screen[shape.first + i].y);
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
    out += "\"/><text x=\"";
    appendFixed(out, s.x + 10.0, 2);
    out += "\" y=\"";
    appendFixed(out, s.y - 10.0, 2);
    out += "\" fill=\"#b03020\" stroke=\"none\">" + xmlEscaped(frame.targetName) + "</text></g>\n";
}

void paintPanel(std::string &out, const Projection &projection, std::span<const Point3> points, const SvgFrame &frame,
                double offset, const char *title) {
    out += "<g transform=\"translate(";
    appendFixed(out, offset, 2);
    out += ",0)\" clip-path=\"url(#panel)\">\n";
    out += "<rect width=\"";
    appendFixed(out, frame.panelWidth, 2);
    out += "\" height=\"";
    appendFixed(out, frame.panelHeight, 2);
    out += "\" fill=\"#fbfaf6\" stroke=\"#c9c3b5\"/>\n";
    paintLeaves(out, projection, points, frame.leafSize);
    paintTarget(out, projection, frame);
    out += "<text x=\"12\" y=\"24\" font-weight=\"bold\">";
    out += title;
    out += "</text>\n</g>\n";
}

Camera defaultCamera(std::span<const Point3> base, std::span<const Point3> displaced, const SvgFrame &frame) {
    std::vector<Point3> shown;
    shown.reserve(base.size() + displaced.size() + 1);
    for (auto set : {base, displaced}) std::copy_if(set.begin(), set.end(), std::back_inserter(shown), isFinite);
    if (frame.targetPosition && isFinite(*frame.targetPosition)) shown.push_back(*frame.targetPosition);
    return framingCamera(shown, frame.panelWidth / frame.panelHeight);
}

}  // namespace

std::string renderSvg(const SvgFrame &frame) {
    if (frame.base.size() != frame.displaced.size()) {
        throw std::invalid_argument("renderSvg: " + std::to_string(frame.base.size()) + " base points but " +
                                    std::to_string(frame.displaced.size()) + " displaced points");
    }
    const std::vector<Point3> base = toPoints(frame.base);
    const std::vector<Point3> displaced = toPoints(frame.displaced);
    const Projection projection(frame.camera ? *frame.camera : defaultCamera(base, displaced, frame), frame.panelWidth,
                                frame.panelHeight);

    const double width = 2.0 * frame.panelWidth;
    const double height = frame.panelHeight + kCaptionHeight;
    std::string out;
    out.reserve(1024 + base.size() * 80);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"";
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
    paintPanel(out, projection, base, frame, 0.0, "before");
    paintPanel(out, projection, displaced, frame, frame.panelWidth, "after");
    out += "<text x=\"12\" y=\"";
    appendFixed(out, frame.panelHeight + 24.0, 2);
    out += "\">frame " + std::to_string(frame.frame);
    if (!frame.caption.empty()) out += " \xE2\x80\x94 " + xmlEscaped(frame.caption);
    out += "</text>\n</svg>\n";
    return out;
}

}  // namespace hostsim
