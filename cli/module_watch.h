// A module that crashes or calls exit() while the command plays it: reported as one line naming the
// module, the entry and the frame ("<module>: crashed (SIGSEGV) in evaluate at frame 3"), and the
// process ends with 1 rather than with a signal or the module's own exit code. Outside the module's
// calls nothing changes. A worker process sends the line to the run as an error record instead.
// On Windows a crash is an exception ("crashed with exception 0xC0000005 (access violation) in
// evaluate at frame 3"), caught by a vectored exception handler before any debugger or error box.
#pragma once

#include "hostsim/host.h"

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

namespace cli {

class ModuleWatch {
  public:
    // Watches the calls `call` marks, of the module at `module`, until destroyed. One at a time.
    ModuleWatch(const std::filesystem::path &module, const hostsim::CallInProgress &call);
    ~ModuleWatch();
    ModuleWatch(const ModuleWatch &) = delete;
    ModuleWatch &operator=(const ModuleWatch &) = delete;

    // In a worker: the report goes to the socket `fd` as an error record, not to stderr.
    static void reportTo(int fd);

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
    static constexpr int watchedCount = 5;
    struct sigaction old_[watchedCount] {};
    stack_t oldStack_{};
#endif
};

}  // namespace cli
