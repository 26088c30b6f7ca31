// The floor: the arithmetic that turning one point must do and nothing else. Per point that is two
// entries into the leaf frame (the point and the target), the pitch turn with its arctangent, the
// heading turn with its arctangent, and one exit from the frame: up to eleven sine and cosine pairs,
// two arctangents and a square root, in the order the module must keep. It is written out here with
// no host, no instance and no call through a table, over the same points, leaf frames and camera
// positions the module sees in the same frames. The leaf angles are worked out once, beforehand;
// the module must work them out again at each leaf's first point in every frame, which the second
// variant adds, so that the cost of that required step can be told apart from the module's overhead.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "hostsim/scene.h"

namespace bench {

class FloorTurn {
public:
    // Measures every leaf of the demo scene's bush (pivot rule "first point").
    explicit FloorTurn(const hostsim::Scene &scene);

    // Every point of every whole leaf turned toward the camera at `frame`, written to `out`.
    void playFrame(std::int32_t frame, std::span<std::array<double, 3>> out) const;

    // The same, working out each leaf's angles from its axes at the leaf's first point.
    void playFrameWithLeafAngles(std::int32_t frame, std::span<std::array<double, 3>> out) const;

    std::size_t turnedPoints() const { return leaves_.size() * 4; }

    struct Leaf {
        std::array<double, 3> pivot, axis0, axis1;
        double heading, pitch, bank;
    };

private:
    const hostsim::Scene &scene_;
    std::vector<Leaf> leaves_;
};

}  // namespace bench
