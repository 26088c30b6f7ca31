// A worker's socket on POSIX systems: whole writes and reads that a signal may interrupt.
#include "cli/worker_records.h"

#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>

namespace cli {

bool writeAll(int fd, const void *data, std::size_t size) {
    const char *at = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t written = ::send(fd, at, size, MSG_NOSIGNAL);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        at += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool readAll(int fd, void *data, std::size_t size, void (*interrupted)()) {
    char *at = static_cast<char *>(data);
    while (size > 0) {
        const ssize_t got = ::read(fd, at, size);
        if (got < 0 && errno == EINTR) {
            if (interrupted != nullptr) interrupted();
            continue;
        }
        if (got <= 0) return false;
        at += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace cli
