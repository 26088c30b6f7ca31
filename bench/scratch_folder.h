// A folder of its own under the system's temporary folder for the files a benchmark run writes (the
// scaled bushes, the OBJ file of a frame), removed with everything in it when the run ends.
#pragma once

#include <filesystem>

namespace bench {

class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;

    const std::filesystem::path &path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace bench
