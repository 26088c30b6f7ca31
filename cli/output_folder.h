// Folders for output: every command makes a missing output folder (with its parents) the same way.
#pragma once

#include <exception>
#include <filesystem>

namespace cli {

// Makes `folder` and its missing parents; HostError "<folder>: cannot make the folder: <reason>".
void makeOutputFolder(const std::filesystem::path &folder);

// The folders makeOutputFolder made in this process, removed again while they are empty: a command
// that fails or is stopped before writing anything leaves no empty folder behind. The folder
// lock's note of its holder (see noteLockHolder) goes first, in the process that wrote it. Only
// async-signal-safe calls, so that a handler that ends the process may call it.
void removeEmptyMadeFolders() noexcept;

// The file that names the holder of a folder's lock, removed by removeEmptyMadeFolders (or by
// forgetLockHolder) in this process only, never in a copy of it that a fork made.
void noteLockHolder(const std::filesystem::path &file) noexcept;
void forgetLockHolder() noexcept;

// Calls removeEmptyMadeFolders when destroyed by an exception: one at the top of a command.
class EmptyFoldersOnFailure {
  public:
    EmptyFoldersOnFailure() = default;
    ~EmptyFoldersOnFailure();
    EmptyFoldersOnFailure(const EmptyFoldersOnFailure &) = delete;
    EmptyFoldersOnFailure &operator=(const EmptyFoldersOnFailure &) = delete;

  private:
    int exceptions_ = std::uncaught_exceptions();
};

// Makes the folder a file is to be written into, when it is missing ("-", standard output, has
// none).
void makeFolderOf(const std::filesystem::path &file);

// Refuses to write over an existing file the command was not named to write, unless `force`:
// HostError "<file>: exists; <why> (--force replaces it)".
void refuseToReplace(const std::filesystem::path &file, bool force, const char *why);

}  // namespace cli
