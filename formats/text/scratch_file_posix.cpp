// The scratch file on POSIX systems: mkstemp beside the other file, unlinked at once, so that no
// end of the process (a crash, _exit, a signal) leaves it behind; its name stays for messages.
#ifndef _FILE_OFFSET_BITS
#define _FILE_OFFSET_BITS 64
#endif

#include "formats/text/scratch_file.h"

#include "formats/text/text_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

namespace formats {

using hostsim::HostError;

ScratchFile::ScratchFile(const std::filesystem::path &beside, std::string_view what) {
    std::string name = beside.string() + ".tmp-" + std::string(what) + "-XXXXXX";
    const int descriptor = ::mkstemp(name.data());
    path_ = name;
    if (descriptor < 0)
        throw HostError::at(path_, std::string("cannot write: ") + std::strerror(errno));
    ::unlink(name.c_str());
    ::fcntl(descriptor, F_SETFD, FD_CLOEXEC);
    handle_ = descriptor;
}

ScratchFile::~ScratchFile() { ::close(static_cast<int>(handle_)); }

void ScratchFile::append(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(static_cast<int>(handle_), bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written < 0 && (errno == ENOSPC || errno == EDQUOT || errno == EFBIG))
            throw DiskFullError(path_.string() + ": cannot write: " + std::strerror(errno));
        if (written < 0)
            throw HostError::at(path_, std::string("cannot write: ") + std::strerror(errno));
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

void ScratchFile::readBack(const std::function<void(std::string_view)> &take) {
    const int descriptor = static_cast<int>(handle_);
    std::vector<char> block(std::size_t{1} << 20);
    for (off_t at = 0;;) {
        const ssize_t got = ::pread(descriptor, block.data(), block.size(), at);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0)
            throw HostError::at(path_, std::string("cannot read back: ") + std::strerror(errno));
        if (got == 0) return;
        take({block.data(), static_cast<std::size_t>(got)});
        at += got;
    }
}

}  // namespace formats
