// A point or direction in scene space: three doubles and the little arithmetic around them; and the
// same three doubles as evaluate reads and writes them.
#pragma once

#include <array>
#include <cmath>

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

}  // namespace hostsim
