// Whole-file text input and output for the stand-in host's files. A file is replaced by writing a
// temporary file beside it and renaming that over the old one, so a failed write never destroys it.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace hostsim {

// The whole content of the file; throws HostError "<path>: cannot read: <reason>".
std::string readTextFile(const std::filesystem::path &path);

// How far a replaced file must be safe. Either way a failed write leaves the old file as it was.
enum class Durability {
    Process,  // safe from this program failing; enough for output that can be made again
    System,   // flushed to the disk before the rename, so a system crash leaves the old or the new file
};

// Writes `contents` to a new file in the folder of `path` and renames it over `path`. On failure the
// old file is untouched, the temporary file is removed and HostError "<path>: cannot write: ..." is thrown.
void replaceFile(const std::filesystem::path &path, std::string_view contents, Durability durability = Durability::Process);

}  // namespace hostsim
