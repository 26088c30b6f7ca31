// File identities and the folder lock on Windows: the volume's serial number and the file's index,
// and LockFileEx on a lock file in the folder whose text names the process that holds it.
#include "cli/output_guard.h"

#include "formats/text/windows_text.h"
#include "hostsim/host_error.h"

#include <windows.h>

#include <chrono>
#include <ctime>
#include <string>
#include <thread>

namespace cli {

namespace fs = std::filesystem;

namespace {

HANDLE handleOf(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

constexpr DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The name of the lock file in an output folder.
constexpr wchar_t lockName[] = L"vistrelle.lock";

// The byte locked: far past the text, which another process reads to name the holder (Windows's
// locks keep others from reading locked bytes).
constexpr DWORD lockedOffsetHigh = 0x100;

// This process as the lock file names it: "process 1234 on host PC7 of C:\...\vistrelle.exe,
// started 2026-12-08 13:00:01 UTC".
std::string thisProcess() {
    std::wstring program(MAX_PATH, L'\0');
    DWORD length = GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size()));
    program.resize(length < program.size() ? length : 0);
    char started[32] = "";
    const std::time_t now = std::time(nullptr);
    if (const std::tm *utc = std::gmtime(&now))
        std::strftime(started, sizeof started, "%Y-%m-%d %H:%M:%S UTC", utc);
    char host[MAX_COMPUTERNAME_LENGTH + 1] = "";
    DWORD hostLength = sizeof host;
    if (!GetComputerNameA(host, &hostLength)) host[0] = '\0';
    return "process " + std::to_string(GetCurrentProcessId()) + " on host " +
           (host[0] != '\0' ? std::string(host) : std::string("unknown")) + " of " +
           formats::utf8Text(program) + ", started " + started;
}

// The first line of the lock file's text: who holds it.
std::string holderOf(HANDLE file) {
    char text[1024];
    DWORD got = 0;
    OVERLAPPED at{};
    if (!ReadFile(file, text, sizeof text, &got, &at)) return {};
    std::string line(text, got);
    line = line.substr(0, line.find_first_of("\r\n"));
    return line;
}

}  // namespace

std::optional<FileIdentity> fileIdentity(const fs::path &file) {
    const HANDLE handle = CreateFileW(file.c_str(), 0, shareAll, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION information{};
    const bool known = GetFileInformationByHandle(handle, &information);
    CloseHandle(handle);
    if (!known) return std::nullopt;
    return FileIdentity{
        information.dwVolumeSerialNumber,
        std::uintmax_t{information.nFileIndexHigh} << 32 | information.nFileIndexLow};
}

std::optional<std::string> nameOnDisk(const fs::path &file) {
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW(file.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return std::nullopt;
    FindClose(search);
    return formats::utf8Text(found.cFileName);
}

FolderLock::FolderLock(const fs::path &folder) {
    const fs::path file = folder / lockName;
    // The file of a lock just given up may be on its way out for a moment.
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 20; ++attempt) {
        handle = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, shareAll, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr);
        if (handle != INVALID_HANDLE_VALUE || GetLastError() != ERROR_ACCESS_DENIED) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (handle == INVALID_HANDLE_VALUE)
        throw hostsim::HostError::at(folder, "cannot lock the folder: cannot open " +
                                                 file.filename().string() + ": " +
                                                 formats::systemMessage(GetLastError()));
    OVERLAPPED locked{};
    locked.OffsetHigh = lockedOffsetHigh;
    if (!LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                    &locked)) {
        const DWORD code = GetLastError();
        const std::string holder = code == ERROR_LOCK_VIOLATION ? holderOf(handle) : "";
        CloseHandle(handle);
        if (code != ERROR_LOCK_VIOLATION && code != ERROR_IO_PENDING)
            throw hostsim::HostError::at(folder,
                                         "cannot lock the folder: " + formats::systemMessage(code));
        throw hostsim::HostError::at(
            folder, "another vistrelle run (" + (holder.empty() ? "process unknown" : holder) +
                        ") is writing into this folder; wait for it to end or choose another "
                        "--out");
    }
    handle_ = reinterpret_cast<std::intptr_t>(handle);
    const std::string text = thisProcess() + "\r\n";
    DWORD wrote = 0;
    SetEndOfFile(handle);
    WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &wrote, nullptr);
    FlushFileBuffers(handle);
}

FolderLock::~FolderLock() {
    if (handle_ == -1) return;
    // Marked for removal while still locked, so that the next run finds no stale holder.
    FILE_DISPOSITION_INFO removed{TRUE};
    SetFileInformationByHandle(handleOf(handle_), FileDispositionInfo, &removed, sizeof removed);
    CloseHandle(handleOf(handle_));
}

}  // namespace cli
