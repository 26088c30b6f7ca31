// The vistrelle command run as a separate process, as a person runs it, and a scratch folder for
// scene files that a run may rewrite.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace cli_test {

struct CommandResult {
    int exitCode = -1;  // -1 when the process did not exit normally
    std::string out;
    std::string err;
};

// Runs the built vistrelle with `args` (the module under test is added as --module unless
// `withModule` is false) and waits for it.
CommandResult runVistrelle(const std::vector<std::string> &args, bool withModule = true);

// A fixture scene of tests/data/cli by file name.
std::filesystem::path fixture(const std::string &name);

// A fresh folder removed with its contents at the end of the test.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;

    const std::filesystem::path &path() const { return path_; }
    // A copy of the fixture `name` in this folder.
    std::filesystem::path copyOf(const std::string &name) const;

private:
    std::filesystem::path path_;
};

std::string readText(const std::filesystem::path &path);

// The lines of `text` without their line ends.
std::vector<std::string> linesOf(const std::string &text);

}  // namespace cli_test
