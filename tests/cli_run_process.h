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

// Runs the built vistrelle with `arguments`; stdout and stderr are files, so not a terminal.
CommandOutcome runVistrelle(const std::vector<std::string> &arguments);

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

private:
    std::filesystem::path path_;
};

}  // namespace clitest
