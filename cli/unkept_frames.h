// Clearing what a stopped run leaves of frames it did not keep: a worker ended mid-frame may have
// written some of a frame's files, and a file being written stays as a temporary "<file>.tmp-<n>".
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace cli {

// Removes, in `out` and its viewer folder, every regular file "<stem>.<label>.<kind>" (and every
// temporary file of one) for the stems and frame labels given, and every other temporary file
// "<name>.tmp-<digits>" there: while the run holds the folder's lock, those are its own. Folders
// and files of other names are left; errors are ignored (what cannot be removed stays).
void removeUnkeptFrames(const std::filesystem::path &out, const std::vector<std::string> &stems,
                        const std::vector<std::string> &labels);

// Removes, in `out` and its viewer folder, the temporary files a run of objects with these stems
// makes there and an earlier run, ended from outside, may have left: "<output>.tmp-<digits>" of
// the pages, three.js and every file of a stem ("<stem>.glb", "<stem>.base.js",
// "<stem>.<frame>.<kind>"), and the .glb spool "<stem>.glb.tmp-offsets-<letters and digits>".
// Only regular files of those names go; errors are ignored. Call it while holding the folder's
// lock, which no other run then holds.
void removeStaleTemporaries(const std::filesystem::path &out,
                            const std::vector<std::string> &stems);

// Whether `name` is that of a temporary file: "<name>.tmp-<digits>".
bool isTemporaryName(const std::string &name);

}  // namespace cli
