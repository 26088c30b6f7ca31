// --max-points: how many points the commands that read meshes take in, all meshes together, before
// they refuse the input rather than run out of memory.
#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <limits>

#include "formats/point_budget.h"

namespace cli {

inline void addMaxPointsOption(CLI::App &command, std::uint64_t &maxPoints) {
    command.add_option("--max-points", maxPoints, "the most points to read from the meshes, all together (a file beyond it is refused)")
        ->check(CLI::Range(std::uint64_t{1}, std::numeric_limits<std::uint64_t>::max()))
        ->capture_default_str();
}

}  // namespace cli
