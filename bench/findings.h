// What the benchmarks find besides times, for the summary: heap allocations inside the module during
// timed frames, and whether the floor's arithmetic gives the module's results.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>

namespace bench {

struct Findings {
    // By point count: the most heap allocations seen inside the module in one timed frame.
    std::map<std::int64_t, std::size_t> moduleAllocationsPerFrame;
    // By point count: points whose floor result is not bit for bit the module's, and points compared.
    struct Agreement {
        std::size_t differing = 0;
        std::size_t compared = 0;
    };
    std::map<std::int64_t, Agreement> floorAgreement;
};

}  // namespace bench
