// Where the command finds the files it ships with, relative to its own executable, so that a build
// folder and an installed copy work wherever they are moved:
//   PREFIX/bin/vistrelle, PREFIX/lib/vistrelle/vistrel.p, PREFIX/share/vistrelle/three.cjs
// An unpacked archive (scripts/package) has them all in one folder.
// A build folder has the same shape (BUILD/bin, BUILD/share/vistrelle) with the module in
// BUILD/module.
#pragma once

#include <filesystem>
#include <string_view>

namespace cli {

// The folder of the running executable; empty when the system does not say.
std::filesystem::path executableFolder();

// The first that exists of vistrel.p beside the executable, ../lib/vistrelle/vistrel.p and
// ../module/vistrel.p; when none does, the installed place, so that a message names it.
std::filesystem::path defaultModulePath();

// A file beside the executable (an unpacked archive), else of ../share/vistrelle/ next to the
// executable's folder.
std::filesystem::path sharedFilePath(std::string_view name);

}  // namespace cli
