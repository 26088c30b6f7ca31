// The files of a run's folder as `vistrelle assemble` takes them: untrusted, so each must be a
// regular file (not a link, which could lead out of the folder) and is read a block at a time.
#pragma once

#include <filesystem>

namespace cli {

// Copies `from` to `to` whole (a temporary file renamed into place). Throws HostError "<from>:
// ..." when `from` is not a regular file, or when it cannot be read or `to` written.
void copyRunFile(const std::filesystem::path &from, const std::filesystem::path &to);

// Whether the two regular files hold the same bytes; the faults of copyRunFile.
bool sameRunFiles(const std::filesystem::path &a, const std::filesystem::path &b);

// Throws HostError "<path>: ..." unless `path` is a regular file (or with `folder`, a folder),
// not a link.
void requirePlain(const std::filesystem::path &path, bool folder = false);

}  // namespace cli
