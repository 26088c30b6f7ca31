// A module that hands back a non-finite coordinate, or one beyond the range of the float32 that
// files hold: the frame is refused rather than written, so that no file holds a NaN or an infinity
// (nor a .glb with null bounds).
#pragma once

#include "hostsim/point3.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace cli {

// HostError "<module>: evaluate gave point 17 of \"Cards\" a non-finite position (nan, 0, 1) at
// frame 3; the frame is not written" for the first such point ("a position beyond the range of a
// float" for a finite one that rounds to an infinity).
void refuseNonFinite(const std::filesystem::path &module, std::int32_t frame,
                     const std::string &object, std::span<const hostsim::Position> positions);

}  // namespace cli
