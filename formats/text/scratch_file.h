// A file of this process's own for data that waits on the disk rather than in memory: made new
// beside another file, written in order, read back whole, and gone with it however the process
// ends (on POSIX systems it is unlinked as soon as it is made; on Windows the system deletes it
// when its handle closes).
#pragma once

#include "hostsim/host_error.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string_view>

namespace formats {

class ScratchFile {
  public:
    // A new file "<beside>.tmp-<what>-<random>". Throws HostError "<file>: cannot write: <reason>".
    ScratchFile(const std::filesystem::path &beside, std::string_view what);
    ~ScratchFile();
    ScratchFile(const ScratchFile &) = delete;
    ScratchFile &operator=(const ScratchFile &) = delete;

    const std::filesystem::path &path() const { return path_; }

    // Adds bytes at the end. Throws HostError "<file>: cannot write: <reason>", a DiskFullError
    // when the disk, a quota or the file size limit is reached.
    void append(std::string_view bytes);
    // Hands everything written so far to `take`, about 1 MiB at a time, in order; appending goes
    // on at the end afterwards. Throws HostError "<file>: cannot read back: <reason>".
    void readBack(const std::function<void(std::string_view)> &take);

  private:
    std::filesystem::path path_;
    std::intptr_t handle_ = -1;  // the file descriptor, or on Windows the file's HANDLE
};

}  // namespace formats
