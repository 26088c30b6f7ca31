// The files written for one frame of a run, and their size: what a worker process tells the run of
// the files it wrote, so that they are counted, listed, and removed when the run cannot keep them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace cli {

struct WrittenFiles {
    std::vector<std::filesystem::path> paths;
    std::uintmax_t bytes = 0;  // what the run reports as written: its OBJ files and pictures

    void add(WrittenFiles more) {
        for (std::filesystem::path &path : more.paths) paths.push_back(std::move(path));
        bytes += more.bytes;
    }
};

}  // namespace cli
