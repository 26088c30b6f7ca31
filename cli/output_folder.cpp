// Making output folders, and guarding files a command would only write by implication.
#include "cli/output_folder.h"

#include "formats/text/text_file.h"
#include "hostsim/host_error.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif
#include <cstring>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

namespace cli {

namespace fs = std::filesystem;

namespace {

// The folders made, outermost first, as the system's strings, which a handler can read.
constexpr std::size_t mostMade = 16;
fs::path::value_type madeFolders[mostMade][4096];
volatile std::size_t madeCount = 0;

// The lock's note and the process that wrote it; the note's name is empty when there is none.
fs::path::value_type lockNote[4096];
#if defined(_WIN32)
volatile DWORD lockNoteOwner = 0;
DWORD thisProcess() { return GetCurrentProcessId(); }
#else
volatile pid_t lockNoteOwner = 0;
pid_t thisProcess() { return ::getpid(); }
#endif

// Notes the missing folders of `folder`, outermost first, before they are made.
void noteMissing(const fs::path &folder) {
    std::error_code error;
    std::vector<fs::path> missing;
    for (fs::path at = fs::absolute(folder, error).lexically_normal();
         !error && at.has_relative_path() && !fs::exists(fs::symlink_status(at, error));
         at = at.parent_path()) {
        if (at.has_filename()) missing.push_back(at);
    }
    for (auto it = missing.rbegin(); it != missing.rend() && madeCount < mostMade; ++it) {
        const fs::path::string_type &text = it->native();
        if (text.size() >= std::size(madeFolders[0])) continue;
        std::memcpy(madeFolders[madeCount], text.c_str(), (text.size() + 1) * sizeof text[0]);
        madeCount = madeCount + 1;
    }
}

}  // namespace

void noteLockHolder(const fs::path &file) noexcept {
    const fs::path::string_type &text = file.native();
    if (text.size() >= std::size(lockNote)) return;
    lockNoteOwner = 0;
    std::memcpy(lockNote, text.c_str(), (text.size() + 1) * sizeof text[0]);
    lockNoteOwner = thisProcess();
}

void forgetLockHolder() noexcept {
    if (lockNoteOwner == 0 || lockNoteOwner != thisProcess()) return;
#if defined(_WIN32)
    DeleteFileW(lockNote);
#else
    ::unlink(lockNote);
#endif
    lockNoteOwner = 0;
}

void removeEmptyMadeFolders() noexcept {
    forgetLockHolder();
    // Each removal fails unless the folder is empty.
    for (std::size_t i = madeCount; i > 0; --i) {
#if defined(_WIN32)
        RemoveDirectoryW(madeFolders[i - 1]);
#else
        ::rmdir(madeFolders[i - 1]);
#endif
    }
}

EmptyFoldersOnFailure::~EmptyFoldersOnFailure() {
    if (std::uncaught_exceptions() > exceptions_) removeEmptyMadeFolders();
}

void makeOutputFolder(const fs::path &folder) {
    noteMissing(folder);
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) throw hostsim::HostError::at(folder, "cannot make the folder: " + error.message());
    if (!fs::is_directory(folder, error))
        throw hostsim::HostError::at(folder,
                                     "cannot make the folder: a file of that name is in the way");
}

void makeFolderOf(const fs::path &file) {
    if (file == formats::standardOutput || !file.has_parent_path()) return;
    makeOutputFolder(file.parent_path());
}

void refuseToReplace(const fs::path &file, bool force, const char *why) {
    std::error_code error;
    if (force || !fs::exists(fs::symlink_status(file, error))) return;
    throw hostsim::HostError::at(file, std::string("exists; ") + why + " (--force replaces it)");
}

}  // namespace cli
