// Noting the console's stop events on Windows. The system calls the handler on a thread of its own
// while the run goes on: the run's thread is held still while the handler looks where it is, so
// that a stop inside a module call ends the process there, and nowhere else.
#include "cli/stop_signals.h"

#include "cli/output_folder.h"
#include "hostsim/module_call.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace cli {
namespace {

volatile LONG caughtSignal = 0;

// The end of the stop line for a stop inside a module call, in two buffers: the one `current`
// names is whole while the other is written.
char afterSignal[2][512];
volatile LONG current = -1;  // -1: a stop in a module call waits for it to return
bool onConsole = false;      // the line starts on a line of its own, after the progress line

HANDLE runThread = nullptr;  // the thread that plays the frames, once the stops are caught
bool endsAtOnce = false;     // a worker: every stop ends it
bool handlerAdded = false;
volatile LONG workerWait = 0;  // the run's thread waits on a worker's pipe

int signalOf(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
            return SIGINT;
        case CTRL_BREAK_EVENT:
            return SIGBREAK;
        default:  // the console's close, a logoff, a shutdown
            return SIGTERM;
    }
}

// The stop's name, without allocating: the handler may run while the run's thread holds the heap.
const char *stopName(int signal) {
    switch (signal) {
        case SIGINT:
            return "Ctrl+C";
        case SIGBREAK:
            return "Ctrl+Break";
        case SIGTERM:
            return "the console's close";
        default:
            return nullptr;
    }
}

void writeText(const char *text) {
    DWORD wrote = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(std::strlen(text)), &wrote,
              nullptr);
}

// Ends the process with the stop line when the run's thread, held still, is inside a module call.
void endInModuleCall(int signal) {
    if (runThread == nullptr || SuspendThread(runThread) == static_cast<DWORD>(-1)) return;
    const LONG buffer = current;
    if (buffer >= 0 && hostsim::moduleCall().entry != nullptr) {
        if (onConsole) writeText("\n");
        writeText("vistrelle run: stopped by ");
        writeText(stopName(signal));
        writeText(afterSignal[buffer]);
        writeText("\n");
        removeEmptyMadeFolders();
        TerminateProcess(GetCurrentProcess(), static_cast<UINT>(128 + signal));
    }
    ResumeThread(runThread);
}

BOOL WINAPI noteStop(DWORD event) {
    const int signal = signalOf(event);
    if (endsAtOnce) TerminateProcess(GetCurrentProcess(), static_cast<UINT>(128 + signal));
    InterlockedCompareExchange(&caughtSignal, signal, 0);
    endInModuleCall(signal);
    // A wait for a worker's record returns, so that the run sees the stop now.
    if (runThread != nullptr && workerWait != 0) CancelSynchronousIo(runThread);
    // After a close, logoff or shutdown the system ends the process as soon as this returns: the
    // run ends it first, between two frames.
    if (signal == SIGTERM)
        for (;;) Sleep(INFINITE);
    return TRUE;
}

void addHandler() {
    if (!handlerAdded) handlerAdded = SetConsoleCtrlHandler(&noteStop, TRUE) != 0;
}

}  // namespace

void StopSignals::catchUntilExit() {
    caughtSignal = 0;
    if (runThread == nullptr)
        DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &runThread,
                        THREAD_SUSPEND_RESUME | THREAD_TERMINATE, FALSE, 0);
    addHandler();
}

int StopSignals::caught() { return static_cast<int>(caughtSignal); }

void StopSignals::stopInModuleCalls(std::string_view text) {
    const LONG next = current == 0 ? 1 : 0;
    const std::size_t size = std::min(text.size(), sizeof afterSignal[next] - 1);
    std::memcpy(afterSignal[next], text.data(), size);
    afterSignal[next][size] = '\0';
    DWORD mode = 0;
    onConsole = GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
    current = next;
}

void StopSignals::actByDefault() {
    endsAtOnce = true;
    addHandler();
}

void waitForWorker(bool waiting) { workerWait = waiting ? 1 : 0; }

void throwIfStopped() {
    if (const int signal = StopSignals::caught(); signal != 0) throw RunStopped(signal);
}

std::string signalName(int signal) {
    if (const char *name = stopName(signal)) return name;
    return "signal " + std::to_string(signal);
}

bool isStopSignal(int signal) {
    return signal == SIGINT || signal == SIGBREAK || signal == SIGTERM;
}

}  // namespace cli
