// The reference: the plain arithmetic of turning every point, by the leaf operations themselves
// (toLeafFrame, rotateX, rotateY, fromLeafFrame, computeAngles), each evaluating its own sines and
// cosines: two entries into the leaf frame (the point and the target), the pitch turn with its
// arctangent, the heading turn with its arctangent, and one exit from the frame, per point. This is
// what the module computed before it kept any value from one point to the next, and what its
// results must equal bit for bit. No host, no instance and no call through a table; the same
// points, leaf frames and camera positions the module sees in the same frames. The leaf angles are
// worked out once, beforehand; the second variant works them out again at each leaf's first point,
// as a frame must.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "hostsim/scene.h"
#include "testkit/plain_turn.h"

namespace bench {

class ReferenceTurn {
  public:
    // Measures every leaf of the demo scene's bush (pivot rule "first point").
    explicit ReferenceTurn(const hostsim::Scene &scene);

    // Every point of every whole leaf turned toward the camera at `frame`, written to `out`.
    void playFrame(std::int32_t frame, std::span<hostsim::Position> out) const;

    // The same, working out each leaf's angles from its axes at the leaf's first point.
    void playFrameWithLeafAngles(std::int32_t frame, std::span<hostsim::Position> out) const;

    std::size_t turnedPoints() const { return leaves_.size() * 4; }

    struct Leaf {
        vistrel::LeafFrame frame;
        vistrel::Vector3 pivot;
    };

  private:
    const hostsim::Scene &scene_;
    std::vector<Leaf> leaves_;
};

}  // namespace bench
