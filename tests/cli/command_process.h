// The vistrelle command run as a process, as a person runs it.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "testkit/scratch_folder.h"

namespace clitest {

struct CommandOutcome {
    int exitCode = -1;  // -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Whether a run names the module under test with --module or lets the command find its own.
enum class ModuleChoice { commandsOwn, underTest };

// Runs the built vistrelle with `arguments`; stdout and stderr are files, so not a terminal.
CommandOutcome runVistrelle(const std::vector<std::string> &arguments,
                            ModuleChoice module = ModuleChoice::commandsOwn);

// vistrelle started and left running in a process group of its own (its id is the command's), to be
// signalled from outside; waited for on destruction.
class RunningCommand {
  public:
    explicit RunningCommand(const std::vector<std::string> &arguments);
    ~RunningCommand();
    RunningCommand(const RunningCommand &) = delete;
    RunningCommand &operator=(const RunningCommand &) = delete;

    int pid() const { return child_; }
    // Waits for the command to end; its exit code is -1 when a signal ended it.
    CommandOutcome wait();

  private:
    testkit::ScratchFolder capture_;
    int child_ = -1;
};

// The fixture file `name` of tests/data/cli.
std::filesystem::path fixture(const std::string &name);

// The lines of `text`, without their line ends.
std::vector<std::string> linesOf(const std::string &text);

}  // namespace clitest
