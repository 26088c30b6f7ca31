// The files vistrelle run writes for each object at each frame: <stem>.<frame>.obj and .svg in the
// output folder, each written whole (a temporary file renamed into place) or not at all. Writing
// changes nothing here, so that worker processes can write the frames they play.
#pragma once

#include "cli/run_object.h"
#include "cli/written_files.h"
#include "hostsim/host.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace cli {

// Which kinds of file a run writes.
struct OutputChoice {
    bool obj = true;
    bool svg = true;
};

class FrameOutputs {
  public:
    // `digits`: the width frame numbers are padded to, so that the names sort.
    FrameOutputs(std::filesystem::path out, OutputChoice choice, int digits);

    // Writes the object's files of `frame`; answers them. Throws hostsim::HostError (DiskFullError
    // when the disk is full) after removing what it wrote of this object's frame, so a frame is
    // never left half written.
    WrittenFiles write(const RunObject &object, std::int32_t frame,
                       std::span<const hostsim::Position> positions,
                       std::optional<hostsim::Point3> targetPosition) const;

    // Where write puts the object's picture of `frame`.
    std::filesystem::path picturePath(const RunObject &object, std::int32_t frame) const;

    const std::filesystem::path &folder() const { return out_; }
    const OutputChoice &choice() const { return choice_; }

  private:
    std::filesystem::path out_;
    OutputChoice choice_;
    int digits_;
};

}  // namespace cli
