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
// On Windows every path is opened through the wide API; the new file is flushed to the disk and
// put in place with ReplaceFileW, which keeps the replaced file's ACLs and attributes (a read-only
// file is refused, as Windows refuses to replace it), or with MoveFileExW for a new one; a device
// (NUL, a console, a pipe) is written in place. text_file_posix.cpp and text_file_windows.cpp are
// the two ways.
#pragma once

#include "hostsim/host_error.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace formats {

using hostsim::HostError;

// The path a name in UTF-8 stands for: every name in this program's text is UTF-8, and on Windows
// a path made from a plain string would read it in the C runtime's code page instead.
std::filesystem::path utf8Path(std::string_view name);

// Input is read only from regular files: a FIFO, a device, a socket or a folder is refused at once
// with one line naming it ("<path>: is a FIFO, not a regular file; it is not read"), without
// waiting on it or reading from it. The file's size is known before anything is allocated.
class InputFile {
  public:
    // Opens `path` (following symlinks); throws HostError "<path>: cannot read: <reason>", or the
    // refusal above.
    explicit InputFile(const std::filesystem::path &path);
    ~InputFile();
    InputFile(const InputFile &) = delete;
    InputFile &operator=(const InputFile &) = delete;

    std::uint64_t size() const { return size_; }
    // Reads `count` bytes into `into`, or fewer at the end of the file; answers how many. Throws
    // HostError "<path>: cannot read: <reason>".
    std::size_t read(char *into, std::size_t count);

  private:
    std::filesystem::path path_;
    std::intptr_t handle_ = -1;  // the file descriptor, or on Windows the file's HANDLE
    std::uint64_t size_ = 0;
};

// What a file is meant to hold: text never holds a NUL byte (JSON and OBJ cannot), so a binary or
// sparse file is refused at its first block ("<path>: not a text file: a NUL byte at byte 0").
enum class Content { Text, Bytes };

// Called with a file's size before anything is allocated for it; throws to refuse it.
using SizeCheck = std::function<void(std::uint64_t size)>;

// The whole content of the regular file; throws HostError "<path>: cannot read: <reason>" and the
// refusals of InputFile and Content.
std::string readTextFile(const std::filesystem::path &path, Content content = Content::Text,
                         const SizeCheck &checkSize = {});

// The longest line readLineBlocks hands over; a longer one is refused.
inline constexpr std::size_t maxLineBytes = std::size_t{16} << 20;

// The file's content handed to `take` a block of whole lines at a time, in order. Lines end in
// '\n', '\r' or "\r\n"; every block ends with a whole line end (the last block without one when
// the file does not end with one). A large file is never held whole: the blocks are about 1 MiB,
// or one line if longer; a line longer than maxLineBytes is refused ("<path>: a line longer than
// 16777216 bytes at byte N; not a text file of lines"). The failures of readTextFile with
// Content::Text.
void readLineBlocks(const std::filesystem::path &path,
                    const std::function<void(std::string_view lines)> &take,
                    const SizeCheck &checkSize = {});

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
