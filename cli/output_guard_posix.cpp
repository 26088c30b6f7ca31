// File identities and the folder lock on POSIX systems: device and inode numbers, flock on the
// folder itself, its holder found in /proc/locks.
#include "cli/output_guard.h"

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

std::optional<FileIdentity> fileIdentity(const fs::path &file) {
    struct stat status {};
    if (::stat(file.c_str(), &status) != 0) return std::nullopt;
    return FileIdentity{status.st_dev, status.st_ino};
}

std::optional<std::string> nameOnDisk(const fs::path &file) {
    std::error_code error;
    if (!fs::exists(fs::symlink_status(file, error))) return std::nullopt;
    return file.filename().string();
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
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        throw hostsim::HostError::at(
            folder, std::string("cannot open the folder to lock it: ") + std::strerror(errno));
    if (::flock(descriptor, LOCK_EX | LOCK_NB) == 0) {
        handle_ = descriptor;
        return;
    }
    const int error = errno;
    struct stat status {};
    const long holder =
        error == EWOULDBLOCK && ::fstat(descriptor, &status) == 0 ? lockHolder(status) : 0;
    ::close(descriptor);
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
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

}  // namespace cli
