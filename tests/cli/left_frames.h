// What a stopped or failed run left in its folder, and the checks that it is clean: no temporary
// file, the frames written contiguous from the first and each whole, the pages listing exactly
// those, and one line saying so.
#pragma once

#include "tests/cli/command_process.h"

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace clitest {

// The garden scene of tests/data/run: two small objects, Cards and Ten_points.
std::filesystem::path gardenScene();

struct LeftFrames {
    std::vector<std::string> temporaries;
    std::map<std::string, std::set<int>>
        framesByKind;        // "Cards obj", "Ten_points svg", "viewer Cards js", ...
    std::set<int> pictures;  // the frames pictures.html lists
    std::set<int> viewed;    // the frames index.html lists

    std::set<int> frames(const std::string &kind) const;
};

LeftFrames leftIn(const std::filesystem::path &out);

// 0, 1, ..., count - 1.
std::set<int> firstFrames(int count);

// Expects the frames left in `out` whole and contiguous from 0, every kind of file of the garden
// there for each, and the pages listing exactly them; answers how many.
int expectWholeFrames(const std::filesystem::path &out, const std::string &context);

// "SIGINT", "SIGTERM", "SIGHUP".
std::string stopName(int signal);

// What a run of `asked` frames (from 0) that kept `count` says it kept, after "stopped by ...":
// " at frame 7: frames 0 to 6 are written whole", or " after the last frame: ...".
std::string stopPlace(int count, int asked);

}  // namespace clitest
