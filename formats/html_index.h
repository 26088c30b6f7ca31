// An HTML page that plays a series of SVG frames as an animation.
#pragma once

#include <filesystem>
#include <span>
#include <string>

namespace formats {

// Writes DIR/<pageName>: the frames one at a time, with a slider, play/pause and the frame's file
// name. `frameFiles` are the paths the frames were written to; the page refers to each relative to
// `dir` and loads a picture only when it is shown (and the next one ahead), so that long runs open
// at once. Plain HTML and inline script, nothing fetched from the network. Throws HostError when it
// cannot write.
void writeHtmlIndex(const std::filesystem::path &dir,
                    std::span<const std::filesystem::path> frameFiles,
                    double framesPerSecond = 24.0, const std::string &pageName = "index.html");

}  // namespace formats
