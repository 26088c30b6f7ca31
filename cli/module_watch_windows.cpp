// Reporting a module that crashes, ends the process or runs past the frame time limit, on Windows.
// A crash is an exception: a vectored exception handler sees it first, before any handler of the
// module's or the system's report, and for the codes that mean a crash (never a C++ exception) it
// writes the line and ends the process with 1. The frame time limit is kept by a watchdog thread,
// which holds the playing thread still to see whether it is inside a module call. The handlers
// reach the watch in force through one static pointer and allocate nothing.
#include "cli/module_watch.h"

#include "cli/output_folder.h"
#include "cli/report_line.h"
#include "cli/worker_records.h"
#include "hostsim/host_error.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace cli {
namespace {

ModuleWatch::Report *volatile watched = nullptr;
bool exitHandlerAdded = false;

// The frame time limit: its seconds and the line's words for it; the frame under way, its deadline
// (GetTickCount64's milliseconds, 0 for none) and a count of the frames begun, so that the watchdog
// never ends a frame after the one it timed; and whether the limit passed outside a module call.
unsigned limitSeconds = 0;
char limitText[64] = "";
volatile LONG limitPassed = 0;
std::int32_t limitedFrame = 0;
volatile ULONGLONG deadline = 0;
volatile LONG framesBegun = 0;
HANDLE playingThread = nullptr;  // the thread whose frames are timed
HANDLE wake = nullptr;           // tells the watchdog that a deadline changed
HANDLE watchdog = nullptr;
volatile LONG watchdogEnds = 0;

// Reports `what` happening in the call under way and ends the process with 1; returns when no call
// of the module is under way.
void reportAndEnd(const char *what, std::uint32_t code) {
    const ModuleWatch::Report *w = watched;
    if (w == nullptr) return;
    ReportLine line;
    line.add(w->prefix);
    line.add(what);
    if (code != 0) line.addException(code);
    if (!line.addCallPlace(w->call)) return;
    if (w->fd >= 0) {
        const RecordKind kind = RecordKind::error;
        const std::uint64_t size = line.size();
        writeAll(w->fd, &kind, sizeof kind);
        writeAll(w->fd, &size, sizeof size);
        writeAll(w->fd, line.data(), line.size());
    } else {
        line.add("\n");
        DWORD wrote = 0;
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()),
                  &wrote, nullptr);
        removeEmptyMadeFolders();  // a worker's run does this itself
    }
    TerminateProcess(GetCurrentProcess(), 1);
}

// The exception codes that mean the module crashed: errors (severity bits 11) of the system's own
// facility, and misaligned data. A C++ exception (0x20474343, 0xE06D7363) is not one of them.
bool isCrash(DWORD code) {
    return (code & 0xF0000000u) == 0xC0000000u || code == EXCEPTION_DATATYPE_MISALIGNMENT;
}

LONG WINAPI onException(EXCEPTION_POINTERS *exception) {
    const DWORD code = exception->ExceptionRecord->ExceptionCode;
    if (isCrash(code)) reportAndEnd("crashed with exception ", code);
    return EXCEPTION_CONTINUE_SEARCH;
}

extern "C" void onExit() { reportAndEnd("called exit()", 0); }

// Waits for each frame's deadline; at a deadline passed, ends the process when the playing thread
// is inside a module call, and otherwise leaves it to endFrame.
DWORD WINAPI watchFrames(void *) {
    while (watchdogEnds == 0) {
        const LONG frame = framesBegun;
        const ULONGLONG due = deadline;
        DWORD wait = INFINITE;
        if (due != 0) {
            const ULONGLONG now = GetTickCount64();
            wait = due > now ? static_cast<DWORD>(std::min<ULONGLONG>(due - now, 0x7FFFFFFF)) : 0;
        }
        if (WaitForSingleObject(wake, wait) == WAIT_OBJECT_0 || due == 0) continue;
        if (GetTickCount64() < due) continue;
        if (SuspendThread(playingThread) == static_cast<DWORD>(-1)) return 0;
        if (framesBegun == frame && deadline == due) {
            reportAndEnd(limitText, 0);
            limitPassed = 1;
            deadline = 0;
        }
        ResumeThread(playingThread);
    }
    return 0;
}

}  // namespace

ModuleWatch::ModuleWatch(const std::filesystem::path &module) {
    const std::u8string name = module.u8string();
    prefix_.assign(name.begin(), name.end());
    prefix_ += ": ";
    report_ = Report{prefix_.c_str(), &hostsim::moduleCall(), -1};
    watched = &report_;
    if (!exitHandlerAdded) exitHandlerAdded = std::atexit(&onExit) == 0;
    handler_ = AddVectoredExceptionHandler(1, &onException);
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &playingThread,
                    THREAD_SUSPEND_RESUME, FALSE, 0);
}

ModuleWatch::~ModuleWatch() {
    if (watchdog != nullptr) {
        watchdogEnds = 1;
        SetEvent(wake);
        WaitForSingleObject(watchdog, INFINITE);
        CloseHandle(watchdog);
        CloseHandle(wake);
        watchdog = wake = nullptr;
        watchdogEnds = 0;
    }
    deadline = 0;
    if (playingThread != nullptr) CloseHandle(playingThread);
    playingThread = nullptr;
    if (handler_ != nullptr) RemoveVectoredExceptionHandler(handler_);
    watched = nullptr;
}

void ModuleWatch::reportTo(int fd) {
    if (Report *w = watched) w->fd = fd;
}

void ModuleWatch::limitFrames(unsigned seconds) {
    limitSeconds = seconds;
    std::snprintf(limitText, sizeof limitText, "ran longer than --frame-timeout %u s", seconds);
    if (seconds == 0 || watchdog != nullptr) return;
    wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (wake != nullptr)
        watchdog = CreateThread(nullptr, 64 * 1024, &watchFrames, nullptr, 0, nullptr);
    if (watchdog == nullptr)
        throw hostsim::HostError(
            "vistrelle run: cannot start the thread that keeps --frame-timeout");
}

void ModuleWatch::startFrame(std::int32_t frame) {
    if (limitSeconds == 0) return;
    limitPassed = 0;
    limitedFrame = frame;
    InterlockedIncrement(&framesBegun);
    deadline = GetTickCount64() + ULONGLONG{limitSeconds} * 1000;
    SetEvent(wake);
}

void ModuleWatch::endFrame() {
    if (limitSeconds == 0) return;
    deadline = 0;
    SetEvent(wake);
    if (limitPassed != 0) {
        limitPassed = 0;
        throw hostsim::HostError(std::string(watched ? watched->prefix : "") + limitText +
                                 " at frame " + std::to_string(limitedFrame));
    }
}

}  // namespace cli
