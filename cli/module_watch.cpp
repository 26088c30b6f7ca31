// Reporting a module that crashes or ends the process. The signal handler and the exit handler can
// reach only static storage: the watch in force is kept in one static pointer. The report is made
// with async-signal-safe calls only (no allocation, no stdio).
#include "cli/module_watch.h"

#include "cli/output_folder.h"
#include "cli/report_line.h"
#include "cli/worker_records.h"
#include "hostsim/host_error.h"

#include <sys/time.h>
#include <unistd.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace cli {
namespace {

constexpr int watchedSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGALRM};

// The frame time limit: its seconds, the line's words for it, and whether it ran out outside a
// module call.
unsigned limitSeconds = 0;
char limitText[64] = "";
volatile std::sig_atomic_t limitPassed = 0;
std::int32_t limitedFrame = 0;

ModuleWatch::Report *volatile watched = nullptr;
bool exitHandlerAdded = false;

const char *crashName(int signal) {
    switch (signal) {
        case SIGSEGV:
            return "crashed (SIGSEGV)";
        case SIGBUS:
            return "crashed (SIGBUS)";
        case SIGILL:
            return "crashed (SIGILL)";
        case SIGFPE:
            return "crashed (SIGFPE)";
        default:
            return "aborted (SIGABRT)";
    }
}

// Reports `what` happening in the call under way and ends the process with 1; returns when no call
// of the module is under way.
void reportAndEnd(const char *what) {
    const ModuleWatch::Report *w = watched;
    if (w == nullptr) return;
    ReportLine line;
    line.add(w->prefix);
    line.add(what);
    if (!line.addCallPlace(w->call)) return;
    if (w->fd >= 0) {
        const RecordKind kind = RecordKind::error;
        const std::uint64_t size = line.size();
        writeAll(w->fd, &kind, sizeof kind);
        writeAll(w->fd, &size, sizeof size);
        writeAll(w->fd, line.data(), line.size());
    } else {
        line.add("\n");
        const ssize_t ignored = ::write(STDERR_FILENO, line.data(), line.size());
        static_cast<void>(ignored);
        removeEmptyMadeFolders();  // a worker's run does this itself
    }
    ::_exit(1);
}

extern "C" void onCrash(int signal) {
    if (signal == SIGALRM) {
        reportAndEnd(limitText);
        limitPassed = 1;  // between calls: the frame ends at endFrame
        return;
    }
    reportAndEnd(crashName(signal));
    // Not in a module call: the fault is the command's own, and acts as it would unwatched.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

extern "C" void onExit() { reportAndEnd("called exit()"); }

}  // namespace

ModuleWatch::ModuleWatch(const std::filesystem::path &module)
    : prefix_(module.string() + ": "), altStack_(std::size_t{64} * 1024) {
    report_ = Report{prefix_.c_str(), &hostsim::moduleCall(), -1};
    watched = &report_;
    if (!exitHandlerAdded) exitHandlerAdded = std::atexit(&onExit) == 0;
    // A module that overflows its stack still gets its report: the handler runs on a stack of its
    // own.
    stack_t stack{};
    stack.ss_sp = altStack_.data();
    stack.ss_size = altStack_.size();
    sigaltstack(&stack, &oldStack_);
    struct sigaction action {};
    action.sa_handler = &onCrash;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_ONSTACK;
    for (int i = 0; i < watchedCount; ++i) sigaction(watchedSignals[i], &action, &old_[i]);
}

ModuleWatch::~ModuleWatch() {
    const itimerval off{};
    ::setitimer(ITIMER_REAL, &off, nullptr);
    for (int i = 0; i < watchedCount; ++i) sigaction(watchedSignals[i], &old_[i], nullptr);
    sigaltstack(&oldStack_, nullptr);
    watched = nullptr;
}

void ModuleWatch::reportTo(int fd) {
    if (Report *w = watched) w->fd = fd;
}

void ModuleWatch::limitFrames(unsigned seconds) {
    limitSeconds = seconds;
    std::snprintf(limitText, sizeof limitText, "ran longer than --frame-timeout %u s", seconds);
}

void ModuleWatch::startFrame(std::int32_t frame) {
    if (limitSeconds == 0) return;
    limitPassed = 0;
    limitedFrame = frame;
    itimerval timer{};
    timer.it_value.tv_sec = static_cast<time_t>(limitSeconds);
    ::setitimer(ITIMER_REAL, &timer, nullptr);
}

void ModuleWatch::endFrame() {
    if (limitSeconds == 0) return;
    const itimerval off{};
    ::setitimer(ITIMER_REAL, &off, nullptr);
    if (limitPassed != 0) {
        limitPassed = 0;
        throw hostsim::HostError(std::string(watched ? watched->prefix : "") + limitText +
                                 " at frame " + std::to_string(limitedFrame));
    }
}

}  // namespace cli
