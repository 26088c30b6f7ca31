// Frames an earlier run left in an output folder. A run's pages and record list the frames it
// plays; a frame file of its objects that it will not write again would stay on disk unlisted,
// and the folder would hold two runs' frames under one run's pages. So such a run refuses.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace cli {

// Throws HostError "<folder>: holds frames A to B of an earlier run that this run does not play;
// ..." when the folder (or its viewer folder) holds an OBJ file, picture or viewer script of one
// of the objects (`stems`) for a frame that `played` says no.
void refuseEarlierFrames(const std::filesystem::path &folder, const std::vector<std::string> &stems,
                         int digits, const std::function<bool(std::int32_t)> &played);

}  // namespace cli
