// A module that crashes, calls exit() or runs past the frame time limit while the command plays it,
// in any entry from its startup on: reported as one line naming the module, the entry and the frame
// ("<module>: crashed (SIGSEGV) in evaluate at frame 3", "<module>: called exit() in activation"),
// and the process ends with 1 rather than with a signal or the module's own exit code, leaving no
// output folder it made that is still empty. Outside the module's calls nothing changes. A worker
// process sends the line to the run as an error record instead.
// On Windows a crash is an exception ("crashed with exception 0xC0000005 (access violation) in
// startup"), caught by a vectored exception handler before any debugger or error box, and the frame
// time limit is kept by a watchdog thread.
#pragma once

#include "hostsim/module_call.h"

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace cli {

class ModuleWatch {
  public:
    // Watches the calls of the module at `module` that hostsim::moduleCall() marks, until
    // destroyed: from its startup on, so made before the host. One at a time.
    explicit ModuleWatch(const std::filesystem::path &module);
    ~ModuleWatch();
    ModuleWatch(const ModuleWatch &) = delete;
    ModuleWatch &operator=(const ModuleWatch &) = delete;

    // In a worker: the report goes to the socket or pipe `fd` as an error record, not to stderr.
    static void reportTo(int fd);

    // A frame that takes longer than `seconds` (0: no limit) from startFrame to endFrame is ended:
    // inside a module call at once, with one line ("<module>: ran longer than --frame-timeout 2 s
    // in evaluate at frame 3") and exit 1 (a worker's line goes to its run); outside one, endFrame
    // throws HostError with that line. Set before the workers are made; they keep it.
    static void limitFrames(unsigned seconds);
    static void startFrame(std::int32_t frame);
    static void endFrame();

    // What the handlers read of the watch in force.
    struct Report {
        const char *prefix = nullptr;  // "<module>: "
        const hostsim::CallInProgress *call = nullptr;
        int fd = -1;  // a worker's socket, or -1 for stderr
    };

  private:
    std::string prefix_;
    Report report_;
#if defined(_WIN32)
    void *handler_ = nullptr;  // the vectored exception handler
#else
    std::vector<char> altStack_;
    static constexpr int watchedCount = 6;
    struct sigaction old_[watchedCount] {};
    stack_t oldStack_{};
#endif
};

}  // namespace cli
