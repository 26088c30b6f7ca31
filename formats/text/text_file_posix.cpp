// Files on POSIX systems: opened by descriptor, measured with fstat, replaced through a temporary
// file and a rename; streams written in place, "-" to standard output.
// 64-bit file sizes and offsets on 32-bit builds too, so that a file beyond 2 GB is measured (and
// refused for its size or content) rather than failing to open.
#ifndef _FILE_OFFSET_BITS
#define _FILE_OFFSET_BITS 64
#endif

#include "formats/text/text_file.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

namespace formats {

using hostsim::HostError;
namespace {

namespace fs = std::filesystem;

std::string reason(int error) { return std::strerror(error); }

[[noreturn]] void failWrite(const fs::path &path, int error) {
    if (error == ENOSPC || error == EDQUOT || error == EFBIG)
        throw DiskFullError(path.string() + ": cannot write: " + reason(error));
    throw HostError::at(path, "cannot write: " + reason(error));
}

// Writes everything to the descriptor; answers 0 or the errno.
int writeAll(int descriptor, std::string_view contents) {
    while (!contents.empty()) {
        const ssize_t written = ::write(descriptor, contents.data(), contents.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        contents.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

// The temporary file: closed and removed unless released after the rename.
class TemporaryFile {
  public:
    // A new file "<target>.tmp-<random>" with the usual permissions (0666 less the umask).
    explicit TemporaryFile(const fs::path &target) {
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::string name = target.string() + ".tmp-" + std::to_string(random());
            descriptor_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (descriptor_ >= 0) {
                name_ = std::move(name);
                struct statfs filesystem {};
                reserves_ = ::fstatfs(descriptor_, &filesystem) == 0 &&
                            filesystem.f_type == EXT4_SUPER_MAGIC;
                return;
            }
            if (errno != EEXIST) break;
        }
        const int error = errno;
        if (error == ENOSPC || error == EDQUOT || error == EFBIG) failWrite(target, error);
        throw HostError::at(
            target, "cannot write: cannot create a temporary file beside it: " + reason(error));
    }
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;
    ~TemporaryFile() {
        if (descriptor_ >= 0) ::close(descriptor_);
        if (!name_.empty()) ::unlink(name_.c_str());
    }

    // Gives the file the permission bits of the file it replaces, and its owner where allowed (a
    // user may not give a file away; the group is tried on its own then).
    int takeOver(const struct stat &old) {
        if (::fchmod(descriptor_, old.st_mode & 07777) != 0) return errno;
        if (::fchown(descriptor_, old.st_uid, old.st_gid) != 0 &&
            ::fchown(descriptor_, static_cast<uid_t>(-1), old.st_gid) != 0) {
            // Not this process's to give: the file stays this user's, with the old permission bits.
        }
        // chown may clear the set-id bits; put them back as they were.
        if (::fchmod(descriptor_, old.st_mode & 07777) != 0) return errno;
        return 0;
    }

    // Writes one piece; answers 0 or the errno.
    int write(std::string_view piece) {
        reserveFor(written_ + piece.size());
        if (const int error = writeAll(descriptor_, piece); error != 0) return error;
        written_ += piece.size();
        return 0;
    }

    // Gives back the space reserved past the end, flushes the file to the disk when asked and
    // closes it; answers 0 or the errno.
    int finish(Durability durability) {
        if (trimsEnd_ && ::ftruncate(descriptor_, static_cast<off_t>(written_)) != 0) return errno;
        if (durability == Durability::System && ::fsync(descriptor_) != 0) return errno;
        const int closed = ::close(descriptor_);
        descriptor_ = -1;
        return closed == 0 ? 0 : errno;
    }

    // Moves the file to `target`; answers 0 or the errno. After success nothing is left to remove.
    // With `swapOut` a file already there is exchanged with this one in one step and then removed
    // under this file's old name: ext4 flushes a file renamed over another before the rename
    // returns (about as long again as writing it), which output that can be made again need not
    // wait for. Where the exchange is not supported, or the file went meanwhile, it is a plain
    // rename.
    int renameTo(const fs::path &target, bool swapOut) {
        if (swapOut &&
            ::renameat2(AT_FDCWD, name_.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0) {
            ::unlink(name_.c_str());  // the replaced file; failing leaves it beside, nothing lost
            name_.clear();
            return 0;
        }
        if (std::rename(name_.c_str(), target.c_str()) != 0) return errno;
        name_.clear();
        return 0;
    }

  private:
    // Reserves the blocks of a large file on ext4 ahead of its writes, growing the reserve with the
    // file: its delayed allocation otherwise does work for every page written (a 63 MB file took
    // 15 ms to write, 8 ms with its blocks reserved first). The reserve lies past the file's end,
    // where the file size limit does not count it, and finish() gives back what was not used. Where
    // reserving fails (a full disk, a quota) the file is written as it would have been.
    void reserveFor(std::size_t end) {
        constexpr std::size_t smallest = std::size_t{1} << 20;
        constexpr std::size_t largestStep = std::size_t{16} << 20;
        if (!reserves_ || end <= reserved_ || end < smallest) return;
        const std::size_t upTo =
            std::max(end, written_ + std::clamp(written_, smallest, largestStep));
        trimsEnd_ = true;  // a failed reserve may have taken part of the blocks
        if (::fallocate(descriptor_, FALLOC_FL_KEEP_SIZE, static_cast<off_t>(reserved_),
                        static_cast<off_t>(upTo - reserved_)) != 0) {
            reserves_ = false;
            return;
        }
        reserved_ = upTo;
    }

    int descriptor_ = -1;
    std::string name_;
    bool reserves_ = false;     // the file system gains from reserving blocks ahead
    bool trimsEnd_ = false;     // blocks were reserved past the end: finish() gives them back
    std::size_t written_ = 0;   // the bytes handed to write(), in order
    std::size_t reserved_ = 0;  // the end of the reserved blocks
};

// Writes to an existing character device or FIFO as it is: no temporary file, no rename.
void writeStream(const fs::path &path, const std::function<void(const TextSink &)> &write) {
    struct Stream {
        int descriptor;
        ~Stream() {
            if (descriptor >= 0) ::close(descriptor);
        }
    } stream{::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY)};
    if (stream.descriptor < 0) failWrite(path, errno);
    write([&](std::string_view piece) {
        if (const int error = writeAll(stream.descriptor, piece); error != 0)
            failWrite(path, error);
    });
    const int closed = ::close(stream.descriptor);
    stream.descriptor = -1;
    if (closed != 0) failWrite(path, errno);
}

const char *kindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISBLK(mode)) return "a block device";
    return "not a regular file";
}

const char *inputKindOf(mode_t mode) {
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode)) return "a character device";
    return kindOf(mode);
}

}  // namespace

InputFile::InputFile(const fs::path &path) : path_(path) {
    // Looked at before it is opened, so that opening a device or a FIFO has no effect; looked at
    // again once open, in case it was swapped meanwhile. O_NONBLOCK keeps a FIFO from blocking
    // the open.
    struct stat status {};
    const auto refuseUnlessRegular = [&] {
        if (S_ISREG(status.st_mode)) return;
        throw HostError::at(path, std::string("is ") + inputKindOf(status.st_mode) +
                                      ", not a regular file; it is not read");
    };
    if (::stat(path.c_str(), &status) != 0)
        throw HostError::at(path, "cannot read: " + reason(errno));
    refuseUnlessRegular();
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) throw HostError::at(path, "cannot read: " + reason(errno));
    if (::fstat(descriptor, &status) != 0) {
        const int error = errno;
        ::close(descriptor);
        throw HostError::at(path, "cannot read: " + reason(error));
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(descriptor);
        refuseUnlessRegular();
    }
    handle_ = descriptor;
    size_ = static_cast<std::uint64_t>(status.st_size);
}

InputFile::~InputFile() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

std::size_t InputFile::read(char *into, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(static_cast<int>(handle_), into + done, count - done);
        if (got == 0) break;
        if (got > 0)
            done += static_cast<std::size_t>(got);
        else if (errno != EINTR)
            throw HostError::at(path_, "cannot read: " + reason(errno));
    }
    return done;
}

fs::path writtenFile(const fs::path &path) {
    fs::path file = path;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(file, error))) return file;
        const fs::path link = fs::read_symlink(file, error);
        if (error)
            throw HostError::at(path, "cannot write: cannot read the link " + file.string() + ": " +
                                          error.message());
        file = link.is_absolute() ? link : file.parent_path() / link;
    }
    throw HostError::at(path, "cannot write: too many levels of symbolic links");
}

void replaceFileWith(const fs::path &path, const std::function<void(const TextSink &)> &write,
                     Durability durability) {
    if (path == standardOutput) {
        std::fflush(stdout);
        write([](std::string_view piece) {
            if (const int error = writeAll(STDOUT_FILENO, piece); error != 0)
                failWrite("standard output", error);
        });
        return;
    }
    const fs::path file = writtenFile(path);
    struct stat old {};
    const bool exists = ::stat(file.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        if (S_ISCHR(old.st_mode) || S_ISFIFO(old.st_mode)) return writeStream(path, write);
        throw HostError::at(path, std::string("cannot write: it is ") + kindOf(old.st_mode) +
                                      ", not a file; it is left as it is");
    }
    TemporaryFile temporary(file);
    if (exists)
        if (const int error = temporary.takeOver(old); error != 0) failWrite(path, error);
    write([&](std::string_view piece) {
        if (const int error = temporary.write(piece); error != 0) failWrite(path, error);
    });
    if (const int error = temporary.finish(durability); error != 0) failWrite(path, error);
    if (const int error = temporary.renameTo(file, exists && durability == Durability::Process);
        error != 0)
        failWrite(path, error);
}

}  // namespace formats
