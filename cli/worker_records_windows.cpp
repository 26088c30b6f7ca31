// A worker's pipe on Windows: whole writes and reads on the pipe's handle. A stop noted by the
// console handler cancels a read under way (cli/stop_signals_windows.cpp), and each read first asks
// whether a stop came.
#include "cli/worker_records.h"

#include "cli/stop_signals.h"

#include <windows.h>

#include <io.h>

#include <algorithm>

namespace cli {
namespace {

HANDLE handleOf(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

constexpr std::size_t chunk = std::size_t{1} << 20;  // at most this much a call

}  // namespace

bool writeAll(int fd, const void *data, std::size_t size) {
    const HANDLE pipe = handleOf(fd);
    const char *at = static_cast<const char *>(data);
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(pipe, at, static_cast<DWORD>(std::min(size, chunk)), &written, nullptr) ||
            written == 0)
            return false;
        at += written;
        size -= written;
    }
    return true;
}

bool readAll(int fd, void *data, std::size_t size, void (*interrupted)()) {
    const HANDLE pipe = handleOf(fd);
    char *at = static_cast<char *>(data);
    while (size > 0) {
        if (interrupted != nullptr) interrupted();
        DWORD got = 0;
        if (interrupted != nullptr) waitForWorker(true);
        const BOOL read =
            ReadFile(pipe, at, static_cast<DWORD>(std::min(size, chunk)), &got, nullptr);
        if (interrupted != nullptr) waitForWorker(false);
        if (!read) {
            if (GetLastError() == ERROR_OPERATION_ABORTED && interrupted != nullptr) continue;
            return false;
        }
        if (got == 0) continue;  // a write of nothing, not the end: that is ERROR_BROKEN_PIPE
        at += got;
        size -= got;
    }
    return true;
}

}  // namespace cli
