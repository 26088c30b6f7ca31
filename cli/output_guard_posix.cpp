// File identities and the folder lock on POSIX systems: device and inode numbers, flock on the
// folder itself, its holder found in /proc/locks.
#include "cli/output_guard.h"

#include "cli/output_folder.h"
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

// The name of the file in a locked folder that names the lock's holder: on a cluster the holder
// may be a process of another machine, which /proc/locks here does not show.
constexpr const char *holderNote = "vistrelle.lock";

std::string hostName() {
    char name[256] = "";
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "unknown";
    return name;
}

// "process 1234 on host node7", from the holder's note when it wrote one, else from /proc/locks.
std::string holderText(const fs::path &folder, long localHolder) {
    if (localHolder > 0) return "process " + std::to_string(localHolder) + " on host " + hostName();
    std::ifstream note(folder / holderNote);
    std::string line;
    if (note && std::getline(note, line) && line.starts_with("process ") && line.size() < 400)
        return line;
    return "process unknown";
}

}  // namespace

FolderLock::FolderLock(const fs::path &folder) {
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        throw hostsim::HostError::at(
            folder, std::string("cannot open the folder to lock it: ") + std::strerror(errno));
    if (::flock(descriptor, LOCK_EX | LOCK_NB) == 0) {
        handle_ = descriptor;
        // A note for runs on other machines that find the folder locked; none when it cannot be
        // written (the run then says so itself at its first file).
        try {
            formats::replaceFile(folder / holderNote, "process " + std::to_string(::getpid()) +
                                                          " on host " + hostName() + "\n");
            noteLockHolder(folder / holderNote);
        } catch (const hostsim::HostError &) {}
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
        folder, "another vistrelle run (" + holderText(folder, holder) +
                    ") is writing into this folder; wait for it to end or choose another --out");
}

FolderLock::~FolderLock() {
    forgetLockHolder();
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

}  // namespace cli
