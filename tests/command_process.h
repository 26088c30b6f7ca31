// The vistrelle command run as a process, as a person runs it, and a scratch folder for its files.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace clitest {

struct CommandOutcome {
    int exitCode = -1;  // -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Whether a run names the module under test with --module or lets the command find its own.
enum class ModuleChoice { commandsOwn, underTest };

// Runs the built vistrelle with `arguments`; stdout and stderr are files, so not a terminal.
CommandOutcome runVistrelle(const std::vector<std::string> &arguments, ModuleChoice module = ModuleChoice::commandsOwn);

// The fixture file `name` of tests/data/cli.
std::filesystem::path fixture(const std::string &name);

// The lines of `text`, without their line ends.
std::vector<std::string> linesOf(const std::string &text);

// The whole content of a file; empty when it cannot be read.
std::string fileText(const std::filesystem::path &path);

// A new empty folder, removed with everything in it on destruction.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;

    const std::filesystem::path &path() const { return path_; }
    std::filesystem::path operator/(const std::string &name) const { return path_ / name; }
    // A copy of the file `source` in this folder, under its own name.
    std::filesystem::path copyOf(const std::filesystem::path &source) const;

private:
    std::filesystem::path path_;
};

}  // namespace clitest
