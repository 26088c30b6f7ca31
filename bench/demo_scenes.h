// The demo scene scaled: the demo's "Camera" circling the bush over 48 frames and its settings (4
// points per leaf, "Camera" as target, pivot "first point", both alignments on), around a bush made
// by the demo's own generator with as many cards as a figure needs. Bushes are made once and kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>

#include "hostsim/scene.h"

namespace bench {

// Where the demo scene keeps its two items.
inline constexpr std::size_t cameraItem = 0;
inline constexpr std::size_t bushItem = 1;

class DemoScenes {
  public:
    // The bushes are named as OBJ files in `folder` (kept in memory, never written); `module` is
    // the vistrel.p that every figure loads.
    DemoScenes(std::filesystem::path folder, std::filesystem::path module);

    // The demo scene with a bush of `points` points (a multiple of 4), its OBJ text made and parsed
    // in memory.
    const hostsim::Scene &withPoints(std::size_t points);

    // The frame a benchmark plays at its `iteration`-th pass: round and round the scene's frames.
    static std::int32_t frameOf(const hostsim::FrameRange &frames, std::int64_t iteration);

    const std::filesystem::path &folder() const { return folder_; }
    const std::filesystem::path &module() const { return module_; }

  private:
    std::filesystem::path folder_;
    std::filesystem::path module_;
    std::map<std::size_t, hostsim::Scene> scenes_;
};

}  // namespace bench
