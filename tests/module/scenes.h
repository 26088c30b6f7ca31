// Small scenes for driving the module through the stand-in host, and the comparisons its tests
// share.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "host/vistrelle_contract.h"
#include "hostsim/host.h"
#include "hostsim/vistrelle_settings.h"

namespace moduletest {

using hostsim::Position;
using Points = std::vector<std::array<float, 3>>;

// The five stored settings, in stored order.
using Settings = hostsim::VistrelleSettings;

// An instance the module makes on item `itemIndex` of `host`, destroyed when this value goes; it
// stands for the instance's handle wherever one is taken.
class ScopedInstance {
  public:
    explicit ScopedInstance(hostsim::Host &host, std::size_t itemIndex = 0)
        : host_(host), handle_(host.create(itemIndex)) {}
    ~ScopedInstance() { host_.destroy(handle_); }
    ScopedInstance(const ScopedInstance &) = delete;
    ScopedInstance &operator=(const ScopedInstance &) = delete;

    operator void *() const { return handle_; }

  private:
    hostsim::Host &host_;
    void *handle_;
};

inline hostsim::Item object(std::string name, Points points) {
    hostsim::Item item{std::move(name), hostsim::Motion::fixed({}), hostsim::Mesh{}};
    item.mesh->points = std::move(points);
    return item;
}

inline hostsim::Item marker(std::string name, hostsim::Point3 position) {
    return hostsim::Item{std::move(name), hostsim::Motion::fixed(position), std::nullopt};
}

// The square leaf (0,0,0), (1,0,0), (1,1,0), (0,1,0): pivot at the first point, its face looking
// down -Z.
inline Points squareLeaf() { return {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}; }

// `count` points: consecutive square leaves side by side along X, trailing points on the next
// square.
inline Points squareRow(std::size_t count) {
    Points points;
    for (std::size_t i = 0; i < count; ++i) {
        const auto leaf = static_cast<float>(i / 4) * 2.0f;
        const auto corner = squareLeaf()[i % 4];
        points.push_back({corner[0] + leaf, corner[1], corner[2]});
    }
    return points;
}

// Item 1 "Leaf" (the object), item 2 "Target" at `target`.
inline hostsim::Scene leafAndTarget(Points points, hostsim::Point3 target) {
    hostsim::Scene scene;
    scene.items.push_back(object("Leaf", std::move(points)));
    scene.items.push_back(marker("Target", target));
    return scene;
}

inline Position base(const Points &points, std::size_t i) { return hostsim::toPosition(points[i]); }

inline std::vector<Position> bases(const Points &points) { return hostsim::toPositions(points); }

inline ::testing::AssertionResult near(const Position &actual, const Position &expected,
                                       double tolerance) {
    for (int k = 0; k < 3; ++k) {
        if (!(std::fabs(actual[k] - expected[k]) <= tolerance)) {
            return ::testing::AssertionFailure()
                   << "(" << actual[0] << ", " << actual[1] << ", " << actual[2] << ") is not ("
                   << expected[0] << ", " << expected[1] << ", " << expected[2] << ") within "
                   << tolerance;
        }
    }
    return ::testing::AssertionSuccess();
}

inline bool sameBits(const Position &a, const Position &b) { return a == b; }

// Results of a few sines and cosines of exact inputs: a handful of ulps.
constexpr double tolerance = 1e-12;
const double r2 = std::sqrt(2.0);

// One frame of the square leaf toward `target` with the given switches.
inline std::vector<Position> squareFrame(hostsim::Point3 target, bool heading, bool pitch,
                                         std::int32_t pivot = 0) {
    hostsim::Host host(VISTREL_MODULE_FILE, leafAndTarget(squareLeaf(), target));
    const ScopedInstance instance(host);
    host.load(instance, Settings{4, 2, pivot, heading ? 1 : 0, pitch ? 1 : 0}.stored());
    return host.evaluateFrame(instance, 0);
}

}  // namespace moduletest
