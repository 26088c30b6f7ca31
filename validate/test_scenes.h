// The meshes and scenes the validator drives the module over: ordinary leaves at random, the
// hostile leaves (non-finite, coincident, collinear, huge and tiny points) and the targets.
#pragma once

#include "hostsim/scene.h"

#include <array>
#include <cstddef>
#include <random>
#include <string>
#include <vector>

namespace validate {

using Random = std::mt19937_64;
using FloatPoint = std::array<float, 3>;

// `count` points made of four-point leaves, each a small skew quad at a random place.
std::vector<FloatPoint> randomLeaves(std::size_t count, Random &random);

// One leaf of four points of each hostile kind, in a fixed order, and the name of each kind.
struct HostileLeaf {
    std::string kind;
    std::array<FloatPoint, 4> points;
};
std::vector<HostileLeaf> hostileLeaves();

// Target positions a host may hand out: ordinary, on a leaf, non-finite, huge and tiny.
std::vector<hostsim::Point3> hostileTargets();

hostsim::Item meshItem(std::string name, std::vector<FloatPoint> points);
hostsim::Item targetItem(std::string name, hostsim::Motion motion);
hostsim::Item bareItem(std::string name);

// A target that moves between three places over two seconds.
hostsim::Motion wanderingMotion();

}  // namespace validate
