// The files vistrelle run writes for each object at each frame: <stem>.<frame>.obj and .svg in the
// output folder, each written whole (a temporary file renamed into place) or not at all.
#pragma once

#include "cli/run_object.h"
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

    // Writes the object's files of `frame`; answers the paths written. A picture's path is also
    // added to object.pictures. Throws hostsim::HostError (DiskFullError when the disk is full)
    // after removing what it wrote of this object's frame, so a frame is never left half written.
    std::vector<std::filesystem::path> write(RunObject &object, std::int32_t frame,
                                             std::span<const hostsim::Position> positions,
                                             std::optional<hostsim::Point3> targetPosition);

    const std::filesystem::path &folder() const { return out_; }
    const OutputChoice &choice() const { return choice_; }
    // Bytes of every file written so far.
    std::uintmax_t bytesWritten() const { return bytes_; }

private:
    std::filesystem::path out_;
    OutputChoice choice_;
    int digits_;
    std::uintmax_t bytes_ = 0;
};

// Removes the files (of a frame that could not be written whole); errors are ignored.
void removeFiles(std::span<const std::filesystem::path> files);

}  // namespace cli
