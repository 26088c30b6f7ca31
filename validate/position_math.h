// Positions as the host hands them to evaluate (three doubles) and the little arithmetic the checks
// need.
#pragma once

#include <array>
#include <cmath>
#include <cstring>
#include <string>

#include "hostsim/point3.h"

namespace validate {

using hostsim::Position;

inline bool isFinite(const Position &p) {
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

// Bit for bit the same: a NaN handed back untouched counts as unchanged, a NaN written does not.
inline bool sameBits(const Position &a, const Position &b) {
    return std::memcmp(a.data(), b.data(), sizeof a) == 0;
}

// A quarter of the distance and of the magnitude: quartered first, the coordinates' differences and
// their root sum of squares stay finite even for coordinates near the largest double.
inline double quarterDistance(const Position &a, const Position &b) {
    return std::hypot(a[0] / 4 - b[0] / 4, a[1] / 4 - b[1] / 4, a[2] / 4 - b[2] / 4);
}

inline double quarterMagnitude(const Position &a) {
    return std::hypot(a[0] / 4, a[1] / 4, a[2] / 4);
}

inline Position midpoint(const Position &a, const Position &b) {
    return {(a[0] + b[0]) / 2.0, (a[1] + b[1]) / 2.0, (a[2] + b[2]) / 2.0};
}

// A number, and "(x, y, z)", with enough digits to tell close values apart.
std::string formatNumber(double value);
std::string formatPosition(const Position &p);

}  // namespace validate
