// Vector3: three double coordinates, the value type of all leaf geometry.
#pragma once

#include <cmath>

namespace vistrel {

struct Vector3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    friend constexpr bool operator==(const Vector3 &, const Vector3 &) = default;
};

constexpr void clear(Vector3 &v) { v = Vector3{}; }

constexpr Vector3 negate(const Vector3 &v) { return {-v.x, -v.y, -v.z}; }

constexpr Vector3 operator+(const Vector3 &a, const Vector3 &b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
constexpr Vector3 operator-(const Vector3 &a, const Vector3 &b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
constexpr Vector3 operator/(const Vector3 &v, double d) { return {v.x / d, v.y / d, v.z / d}; }

constexpr Vector3 cross(const Vector3 &a, const Vector3 &b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// True for +0, -0 and NaN: the angles for which a turn about X or Z does no work at all.
constexpr bool isNoTurn(double a) { return !(a < 0.0 || a > 0.0); }

inline bool isFinite(const Vector3 &v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

}  // namespace vistrel
