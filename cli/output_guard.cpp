// Checking outputs against inputs, and locking output folders.
#include "cli/output_guard.h"

#include "formats/text/text_file.h"
#include "hostsim/host_error.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>

namespace cli {

namespace fs = std::filesystem;

SameFileGuard::Known SameFileGuard::knownFile(const fs::path &file, std::string what) {
    Known known;
    known.path = file;
    std::error_code error;
    known.absolute = fs::weakly_canonical(fs::absolute(file, error), error);
    struct stat status {};
    if (::stat(file.c_str(), &status) == 0) {
        known.exists = true;
        known.device = status.st_dev;
        known.inode = status.st_ino;
    }
    known.what = std::move(what);
    return known;
}

void SameFileGuard::addInput(const fs::path &file, std::string what) {
    known_.push_back(knownFile(file, std::move(what)));
}

void SameFileGuard::addInputs(const formats::PointBudget &read) {
    for (const formats::PointBudget::Source &source : read.files())
        addInput(source.path, source.what);
}

void SameFileGuard::checkOutput(const fs::path &output, bool force) {
    if (output.empty() || output == formats::standardOutput) return;
    Known out = knownFile(output, "another output of this command");
    if (!force)
        for (const Known &k : known_) {
            const bool sameIdentity =
                out.exists && k.exists && out.device == k.device && out.inode == k.inode;
            if (sameIdentity || (!out.absolute.empty() && out.absolute == k.absolute))
                throw hostsim::HostError::at(
                    output, "is the same file as " + k.what + " " + k.path.string() +
                                ", which writing it would destroy (--force writes it anyway)");
        }
    known_.push_back(std::move(out));
}

namespace {

// The process that holds a lock on the file at (device, inode), from /proc/locks; 0 when unknown.
long lockHolder(const struct stat &status) {
    std::ifstream locks("/proc/locks");
    char wanted[64];
    std::snprintf(wanted, sizeof wanted, "%02x:%02x:%ju", major(status.st_dev),
                  minor(status.st_dev), static_cast<std::uintmax_t>(status.st_ino));
    std::string line;
    while (std::getline(locks, line)) {
        std::istringstream fields(line);
        std::string number, kind, advisory, mode, where;
        long pid = 0;
        if (!(fields >> number >> kind)) continue;
        if (kind == "->") fields >> kind;  // a waiter
        if (fields >> advisory >> mode >> pid >> where && where == wanted && pid != ::getpid())
            return pid;
    }
    return 0;
}

}  // namespace

FolderLock::FolderLock(const fs::path &folder) {
    fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0)
        throw hostsim::HostError::at(
            folder, std::string("cannot open the folder to lock it: ") + std::strerror(errno));
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return;
    const int error = errno;
    struct stat status {};
    const long holder = error == EWOULDBLOCK && ::fstat(fd_, &status) == 0 ? lockHolder(status) : 0;
    ::close(fd_);
    fd_ = -1;
    if (error != EWOULDBLOCK)
        throw hostsim::HostError::at(
            folder, std::string("cannot lock the folder: ") + std::strerror(error));
    throw hostsim::HostError::at(
        folder,
        "another vistrelle run (" +
            (holder > 0 ? "process " + std::to_string(holder) : std::string("process unknown")) +
            ") is writing into this folder; wait for it to end or choose another --out");
}

FolderLock::~FolderLock() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace cli
