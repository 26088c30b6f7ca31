// The peer: the same job done the simple way a C++ programmer would write it, for comparison only.
// Each leaf's frame is a 3x3 rotation built once from its axes; per frame and leaf the target is
// carried into it, the pitch and heading turns are made from the target's coordinates without any
// angle (sine and cosine as ratios), and the three are folded into one matrix that turns each point
// with nine multiplications. Its results agree with the module's to rounding, not bit for bit.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "hostsim/scene.h"

namespace bench {

class MatrixPeer {
  public:
    // Measures every leaf of the demo scene's bush (pivot rule "first point").
    explicit MatrixPeer(const hostsim::Scene &scene);

    // Every point of every whole leaf turned toward the camera at `frame`, written to `out`.
    void playFrame(std::int32_t frame, std::span<hostsim::Position> out) const;

    std::size_t turnedPoints() const { return leaves_.size() * 4; }

    using Matrix = std::array<std::array<double, 3>, 3>;
    struct Leaf {
        std::array<double, 3> pivot;
        Matrix frame;  // rows: the leaf's X, Y and Z axes in object space
    };

  private:
    const hostsim::Scene &scene_;
    std::vector<Leaf> leaves_;
};

}  // namespace bench
