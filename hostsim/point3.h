// A point or direction in scene space: three doubles and the little arithmetic around them; the
// same three doubles as evaluate reads and writes them; and the conversions between those and a
// mesh point of three floats.
#pragma once

#include <array>
#include <cmath>
#include <span>
#include <vector>

namespace hostsim {

struct Point3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    friend bool operator==(const Point3 &, const Point3 &) = default;
};

constexpr Point3 operator+(Point3 a, Point3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
constexpr Point3 operator-(Point3 a, Point3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
constexpr Point3 operator*(Point3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
constexpr Point3 operator*(double s, Point3 a) { return a * s; }
constexpr double dot(Point3 a, Point3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
constexpr Point3 cross(Point3 a, Point3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double length(Point3 a) { return std::sqrt(dot(a, a)); }

// A position as the host hands it to evaluate and gets it back: three doubles, x, y and z.
using Position = std::array<double, 3>;

// The same coordinates in another form. From floats to doubles every value is kept exactly;
// toFloats rounds each coordinate to the nearest float.
constexpr Point3 toPoint3(const Position &p) { return {p[0], p[1], p[2]}; }
constexpr Point3 toPoint3(const std::array<float, 3> &p) { return {p[0], p[1], p[2]}; }
constexpr Position toPosition(Point3 p) { return {p.x, p.y, p.z}; }
constexpr Position toPosition(const std::array<float, 3> &p) { return {p[0], p[1], p[2]}; }
constexpr std::array<float, 3> toFloats(const Position &p) {
    return {static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2])};
}
// Every mesh point as a position, in order.
inline std::vector<Position> toPositions(std::span<const std::array<float, 3>> points) {
    std::vector<Position> out;
    out.reserve(points.size());
    for (const auto &p : points) out.push_back(toPosition(p));
    return out;
}

}  // namespace hostsim
