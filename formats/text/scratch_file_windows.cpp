// The scratch file on Windows: a new file beside the other one, deleted by the system when its
// handle closes, also when the process is ended.
#include "formats/text/scratch_file.h"

#include "formats/text/text_file.h"
#include "formats/text/windows_text.h"

#include <windows.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace formats {

using hostsim::HostError;
namespace {

HANDLE handleOf(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

ScratchFile::ScratchFile(const std::filesystem::path &beside, std::string_view what) {
    std::random_device random;
    DWORD code = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        path_ = beside;
        path_ += ".tmp-" + std::string(what) + "-" + std::to_string(random());
        const HANDLE handle =
            CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            handle_ = reinterpret_cast<std::intptr_t>(handle);
            return;
        }
        code = GetLastError();
        if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) break;
    }
    throw HostError::at(path_, "cannot write: " + systemMessage(code));
}

ScratchFile::~ScratchFile() { CloseHandle(handleOf(handle_)); }

void ScratchFile::append(std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        const auto count = static_cast<DWORD>(std::min(bytes.size(), std::size_t{1} << 30));
        if (!WriteFile(handleOf(handle_), bytes.data(), count, &written, nullptr)) {
            const DWORD code = GetLastError();
            const HostError failed = HostError::at(path_, "cannot write: " + systemMessage(code));
            if (code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL)
                throw DiskFullError(failed.what());
            throw failed;
        }
        bytes.remove_prefix(written);
    }
}

void ScratchFile::readBack(const std::function<void(std::string_view)> &take) {
    const HANDLE handle = handleOf(handle_);
    LARGE_INTEGER end{};
    const LARGE_INTEGER start{};
    if (!SetFilePointerEx(handle, start, &end, FILE_CURRENT) ||
        !SetFilePointerEx(handle, start, nullptr, FILE_BEGIN))
        throw HostError::at(path_, "cannot read back: " + systemMessage(GetLastError()));
    std::vector<char> block(std::size_t{1} << 20);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(handle, block.data(), static_cast<DWORD>(block.size()), &got, nullptr))
            throw HostError::at(path_, "cannot read back: " + systemMessage(GetLastError()));
        if (got == 0) break;
        take({block.data(), got});
    }
    if (!SetFilePointerEx(handle, end, nullptr, FILE_BEGIN))
        throw HostError::at(path_, "cannot read back: " + systemMessage(GetLastError()));
}

}  // namespace formats
