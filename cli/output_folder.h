// Folders for output: every command makes a missing output folder (with its parents) the same way.
#pragma once

#include <filesystem>

namespace cli {

// Makes `folder` and its missing parents; HostError "<folder>: cannot make the folder: <reason>".
void makeOutputFolder(const std::filesystem::path &folder);

// Makes the folder a file is to be written into, when it is missing ("-", standard output, has
// none).
void makeFolderOf(const std::filesystem::path &file);

// Refuses to write over an existing file the command was not named to write, unless `force`:
// HostError "<file>: exists; <why> (--force replaces it)".
void refuseToReplace(const std::filesystem::path &file, bool force, const char *why);

}  // namespace cli
