// Files on Windows: every path opened through the wide API, only regular files read, a file
// replaced through a new file beside it that is flushed and then put in place with ReplaceFileW
// (which keeps the replaced file's ACLs and attributes) or MoveFileExW for a new one. A device
// (NUL, a console, a pipe) is written in place; "-" is standard output.
#include "formats/text/text_file.h"

#include "formats/text/windows_names.h"
#include "formats/text/windows_text.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <random>

namespace formats {

using hostsim::HostError;
namespace {

namespace fs = std::filesystem;

// The most one ReadFile or WriteFile call is given, well within its DWORD count.
constexpr std::size_t largestCall = std::size_t{1} << 30;

HANDLE handleOf(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

[[noreturn]] void failWrite(const fs::path &path, DWORD code) {
    const std::string line = path.string() + ": cannot write: " + systemMessage(code);
    if (code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL) throw DiskFullError(line);
    throw HostError(line);
}

// Writes everything to the handle; answers 0 or the system's error code.
DWORD writeAll(HANDLE handle, std::string_view contents) {
    while (!contents.empty()) {
        DWORD written = 0;
        const auto count = static_cast<DWORD>(std::min(contents.size(), largestCall));
        if (!WriteFile(handle, contents.data(), count, &written, nullptr)) return GetLastError();
        contents.remove_prefix(written);
    }
    return 0;
}

// The device a path names, if it names one: "NUL" for "out\nul.txt", or the path itself for one in
// the device space ("\\.\pipe\x"); empty for a file's path.
std::string deviceOf(const fs::path &path) {
    if (path.native().starts_with(L"\\\\.\\")) return path.string();
    return windowsDeviceName(path.filename().string());
}

// What an open handle that is no file on the disk is.
const char *kindOfHandle(HANDLE handle) {
    switch (GetFileType(handle)) {
        case FILE_TYPE_CHAR:
            return "a character device";
        case FILE_TYPE_PIPE:
            return "a pipe";
        default:
            return "not a regular file";
    }
}

// The new file beside the target: closed and removed unless moved into place.
class TemporaryFile {
  public:
    // A new file "<target>.tmp-<random>", made only if no file has that name.
    explicit TemporaryFile(const fs::path &target) {
        std::random_device random;
        DWORD code = 0;
        for (int attempt = 0; attempt < 100; ++attempt) {
            fs::path name = target;
            name += ".tmp-" + std::to_string(random());
            handle_ = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
            if (handle_ != INVALID_HANDLE_VALUE) {
                name_ = std::move(name);
                return;
            }
            code = GetLastError();
            if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) break;
        }
        if (code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL) failWrite(target, code);
        throw HostError::at(target, "cannot write: cannot create a temporary file beside it: " +
                                        systemMessage(code));
    }
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;
    ~TemporaryFile() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
        if (!name_.empty()) DeleteFileW(name_.c_str());
    }

    // Writes one piece; answers 0 or the system's error code.
    DWORD write(std::string_view piece) { return writeAll(handle_, piece); }

    // Flushes the file to the disk and closes it; answers 0 or the system's error code.
    DWORD finish() {
        const DWORD flushed = FlushFileBuffers(handle_) ? 0 : GetLastError();
        const DWORD closed = CloseHandle(handle_) ? 0 : GetLastError();
        handle_ = INVALID_HANDLE_VALUE;
        return flushed != 0 ? flushed : closed;
    }

    // Puts the file in place of `target`: over the file there, keeping its ACLs, attributes and
    // streams, or as a new file written through to the disk. Answers 0 or the system's error
    // code; after success nothing is left to remove, after a failure the target is as it was.
    DWORD moveTo(const fs::path &target, bool exists) {
        if (!exists) {
            if (MoveFileExW(name_.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
                name_.clear();
                return 0;
            }
            const DWORD code = GetLastError();
            // A file that came meanwhile is replaced as any other.
            if (code != ERROR_ALREADY_EXISTS && code != ERROR_FILE_EXISTS) return code;
        }
        if (ReplaceFileW(target.c_str(), name_.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                         nullptr, nullptr)) {
            name_.clear();
            return 0;
        }
        return GetLastError();
    }

  private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    fs::path name_;
};

// Writes to a device or a pipe as it is: no temporary file, no rename.
void writeStream(const fs::path &path, HANDLE stream,
                 const std::function<void(const TextSink &)> &write) {
    struct Closed {
        HANDLE handle;
        ~Closed() {
            if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
        }
    } closed{stream};
    write([&](std::string_view piece) {
        if (const DWORD code = writeAll(stream, piece); code != 0) failWrite(path, code);
    });
}

}  // namespace

InputFile::InputFile(const fs::path &path) : path_(path) {
    // A device is named for what it is and never opened: opening one may have effects, and
    // reading a console waits for the user.
    if (const std::string device = deviceOf(path); !device.empty())
        throw HostError::at(
            path, "is a Windows device (" + device + "), not a regular file; it is not read");
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        throw HostError::at(path, "cannot read: " + systemMessage(GetLastError()));
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        throw HostError::at(path, "is a folder, not a regular file; it is not read");
    const HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        throw HostError::at(path, "cannot read: " + systemMessage(GetLastError()));
    // Looked at again once open, in case it was swapped meanwhile.
    const auto refuse = [&](const std::string &what) {
        CloseHandle(handle);
        throw HostError::at(path, what);
    };
    if (GetFileType(handle) != FILE_TYPE_DISK)
        refuse(std::string("is ") + kindOfHandle(handle) + ", not a regular file; it is not read");
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(handle, &information))
        refuse("cannot read: " + systemMessage(GetLastError()));
    if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        refuse("is a folder, not a regular file; it is not read");
    handle_ = reinterpret_cast<std::intptr_t>(handle);
    size_ = std::uint64_t{information.nFileSizeHigh} << 32 | information.nFileSizeLow;
}

InputFile::~InputFile() {
    if (handle_ != -1) CloseHandle(handleOf(handle_));
}

std::size_t InputFile::read(char *into, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        DWORD got = 0;
        const auto asked = static_cast<DWORD>(std::min(count - done, largestCall));
        if (!ReadFile(handleOf(handle_), into + done, asked, &got, nullptr))
            throw HostError::at(path_, "cannot read: " + systemMessage(GetLastError()));
        if (got == 0) break;
        done += got;
    }
    return done;
}

fs::path writtenFile(const fs::path &path) {
    // A symbolic link or junction is followed to the file it names; a link to nothing is replaced
    // as it is.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        return path;
    const HANDLE handle =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return path;
    std::wstring name(MAX_PATH, L'\0');
    DWORD length = GetFinalPathNameByHandleW(handle, name.data(), static_cast<DWORD>(name.size()),
                                             FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length >= name.size()) {
        name.resize(length + 1);
        length = GetFinalPathNameByHandleW(handle, name.data(), static_cast<DWORD>(name.size()),
                                           FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    }
    CloseHandle(handle);
    if (length == 0 || length >= name.size()) return path;
    name.resize(length);
    if (name.starts_with(L"\\\\?\\") && !name.starts_with(L"\\\\?\\UNC\\")) name.erase(0, 4);
    return fs::path(name);
}

void replaceFileWith(const fs::path &path, const std::function<void(const TextSink &)> &write,
                     Durability) {
    if (path == standardOutput) {
        std::fflush(stdout);
        const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
        write([output](std::string_view piece) {
            if (const DWORD code = writeAll(output, piece); code != 0)
                failWrite("standard output", code);
        });
        return;
    }
    const fs::path file = writtenFile(path);
    if (!deviceOf(file).empty()) {
        const HANDLE stream =
            CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (stream == INVALID_HANDLE_VALUE) failWrite(path, GetLastError());
        return writeStream(path, stream, write);
    }
    const DWORD attributes = GetFileAttributesW(file.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        throw HostError::at(path, "cannot write: it is a folder, not a file; it is left as it is");
    // Every file is flushed before it is put in place: Windows gives no cheaper way to have the
    // old file or the new one whole after a crash.
    TemporaryFile temporary(file);
    write([&](std::string_view piece) {
        if (const DWORD code = temporary.write(piece); code != 0) failWrite(path, code);
    });
    if (const DWORD code = temporary.finish(); code != 0) failWrite(path, code);
    if (const DWORD code = temporary.moveTo(file, exists); code != 0) failWrite(path, code);
}

}  // namespace formats
