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
    // `pauses`, when given, is VISTRELLE_TEST_PAUSE for the command: the moments at which it stops
    // itself until resumed (cli/test_pause.h).
    explicit RunningCommand(const std::vector<std::string> &arguments,
                            const std::string &pauses = "");
    ~RunningCommand();
    RunningCommand(const RunningCommand &) = delete;
    RunningCommand &operator=(const RunningCommand &) = delete;

    int pid() const { return child_; }
    // Waits until the command stops itself at a moment asked for (true) or ends (false).
    bool waitUntilPaused();
    // Lets a paused command go on.
    void resume() const;
    // Waits for the command to end; its exit code is -1 when a signal ended it.
    CommandOutcome wait();

  private:
    testkit::ScratchFolder capture_;
    int child_ = -1;
    int endStatus_ = -1;  // the status of an end waitUntilPaused saw, else -1
};

// Waits until process `pid`, a child of a child, is in one of the states of /proc's stat ("T"
// stopped, "Z" ended but not waited for); false when it never gets there within a minute, or is
// gone.
bool waitForState(int pid, const std::string &states);

// The processor time process `pid` and its workers have used so far, in clock ticks.
long long cpuTicks(int pid);

// The fixture file `name` of tests/data/cli.
std::filesystem::path fixture(const std::string &name);

// The lines of `text`, without their line ends.
std::vector<std::string> linesOf(const std::string &text);

}  // namespace clitest
