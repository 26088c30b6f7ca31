// Reading whole files, and replacing them through a temporary file and a rename.
#include "hostsim/text_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <sstream>
#include <unistd.h>

#include "hostsim/host_error.h"

namespace hostsim {
namespace {

std::string reason(int error) { return std::strerror(error); }

// The temporary file: closed and removed unless released after the rename.
class TemporaryFile {
public:
    // A new file "<target>.tmp-<random>" with the usual permissions (0666 less the umask).
    explicit TemporaryFile(const std::filesystem::path &target) {
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::string name = target.string() + ".tmp-" + std::to_string(random());
            descriptor_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (descriptor_ >= 0) {
                name_ = std::move(name);
                return;
            }
            if (errno != EEXIST) break;
        }
        throw HostError::at(target, "cannot write: cannot create a temporary file beside it: " + reason(errno));
    }
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;
    ~TemporaryFile() {
        if (descriptor_ >= 0) ::close(descriptor_);
        if (!name_.empty()) ::unlink(name_.c_str());
    }

    // Writes everything, flushes it to the disk when asked and closes the file; answers 0 or the errno.
    int writeAll(std::string_view contents, Durability durability) {
        while (!contents.empty()) {
            const ssize_t written = ::write(descriptor_, contents.data(), contents.size());
            if (written < 0) {
                if (errno == EINTR) continue;
                return errno;
            }
            contents.remove_prefix(static_cast<std::size_t>(written));
        }
        if (durability == Durability::System && ::fsync(descriptor_) != 0) return errno;
        const int closed = ::close(descriptor_);
        descriptor_ = -1;
        return closed == 0 ? 0 : errno;
    }

    // Moves the file to `target`; answers 0 or the errno. After success nothing is left to remove.
    int renameTo(const std::filesystem::path &target) {
        if (std::rename(name_.c_str(), target.c_str()) != 0) return errno;
        name_.clear();
        return 0;
    }

private:
    int descriptor_ = -1;
    std::string name_;
};

}  // namespace

std::string readTextFile(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw HostError::at(path, "cannot read: " + reason(errno));
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) throw HostError::at(path, "cannot read: " + reason(errno));
    return std::move(text).str();
}

void replaceFile(const std::filesystem::path &path, std::string_view contents, Durability durability) {
    TemporaryFile temporary(path);
    if (int error = temporary.writeAll(contents, durability); error != 0) throw HostError::at(path, "cannot write: " + reason(error));
    if (int error = temporary.renameTo(path); error != 0) throw HostError::at(path, "cannot write: " + reason(error));
}

}  // namespace hostsim
