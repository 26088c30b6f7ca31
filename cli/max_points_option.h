// --max-points: how many points the commands that read meshes take in, all meshes together, before
// they refuse the input rather than run out of memory.
#pragma once

#include <CLI/CLI.hpp>

#include <charconv>
#include <cstdint>

#include "formats/point_budget.h"

namespace cli {

inline void addMaxPointsOption(CLI::App &command, std::uint64_t &maxPoints) {
    command
        .add_option(
            "--max-points", maxPoints,
            "the most points to read from the meshes, all together (a file beyond it is refused)")
        ->check(CLI::Validator(
            [](std::string &text) {
                // Read here: CLI11's own conversion takes "-3" as 2^64 - 3 and lets a number beyond
                // 2^64 through.
                std::uint64_t value = 0;
                const auto [end, error] =
                    std::from_chars(text.data(), text.data() + text.size(), value);
                const bool whole =
                    error == std::errc() && end == text.data() + text.size() && value >= 1;
                return whole ? std::string()
                             : "expected a whole number from 1 to 18446744073709551615";
            },
            ""))
        ->type_name("POINTS")
        ->capture_default_str();
}

}  // namespace cli
