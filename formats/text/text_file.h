// Whole-file text input and output for the stand-in host's files. A regular file is replaced by
// writing a temporary file beside it and renaming that over the old one, so a failed write never
// destroys it. Saving acts on what the name means to the user:
//   - "-" is standard output;
//   - a symlink is followed, and the file it names is replaced (the link stays a link);
//   - a replaced file keeps its permission bits (and its owner, where this process may set it);
//   - a character device or a FIFO that exists is written in place (it is a stream, e.g.
//   /dev/null);
//   - any other existing thing that is not a regular file (a folder, a socket, a block device) is
//     refused with one line, never replaced.
#pragma once

#include "hostsim/host_error.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace formats {

using hostsim::HostError;

// The whole content of the file; throws HostError "<path>: cannot read: <reason>".
std::string readTextFile(const std::filesystem::path &path);

// The file's content handed to `take` a block of whole lines at a time, each line with its '\n'
// (the last one without when the file does not end with one), in order; the same failures as
// readTextFile. A large file is never held whole: the blocks are about 1 MiB, or one line if
// longer.
void readLineBlocks(const std::filesystem::path &path,
                    const std::function<void(std::string_view lines)> &take);

// How far a replaced file must be safe. Either way a failed write leaves the old file as it was.
enum class Durability {
    Process,  // safe from this program failing; enough for output that can be made again
    System,   // flushed to the disk before the rename, so a system crash leaves the old or the new
              // file
};

// The name that stands for standard output.
inline constexpr std::string_view standardOutput = "-";

// Writes `contents` to `path` as described above. On failure a replaced file is untouched, the
// temporary file is removed and HostError "<path>: cannot write: <reason>" is thrown.
void replaceFile(const std::filesystem::path &path, std::string_view contents,
                 Durability durability = Durability::Process);

// Takes a file's text a piece at a time, in order.
using TextSink = std::function<void(std::string_view)>;

// replaceFile for text made a piece at a time, so that a large file is never held whole: `write`
// hands every piece to the sink it is given. Faults as for replaceFile; an exception from `write`
// leaves a replaced file untouched too (a stream or standard output keeps what it was sent).
void replaceFileWith(const std::filesystem::path &path,
                     const std::function<void(const TextSink &)> &write,
                     Durability durability = Durability::Process);

// The file a write to `path` lands in: `path` with every symlink of its last part followed (a link
// to a missing file gives that file). Throws HostError on a loop of links.
std::filesystem::path writtenFile(const std::filesystem::path &path);

// What replaceFile throws when the disk, the user's quota or the file size limit is reached, so
// that a long job can stop cleanly and say what it kept.
class DiskFullError : public HostError {
  public:
    using HostError::HostError;
};

}  // namespace formats
