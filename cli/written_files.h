// The files written for one frame of a run, and their size: what a worker process tells the run of
// the files it wrote, so that they are counted, listed, and removed when the run cannot keep them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <system_error>
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

// Removes the files (of a frame that could not be written whole, or kept); errors are ignored.
inline void removeFiles(std::span<const std::filesystem::path> files) {
    for (const std::filesystem::path &file : files) {
        std::error_code ignored;
        std::filesystem::remove(file, ignored);
    }
}

}  // namespace cli
