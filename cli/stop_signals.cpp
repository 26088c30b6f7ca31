// Noting stop signals. The handler can reach only static storage, hence the one flag below.
#include "cli/stop_signals.h"

#include "cli/output_folder.h"
#include "hostsim/module_call.h"

#include <unistd.h>
#include <algorithm>
#include <cstring>

namespace cli {
namespace {

volatile std::sig_atomic_t caughtSignal = 0;

constexpr int stopSignals[3] = {SIGINT, SIGTERM, SIGHUP};

// The end of the stop line for a stop inside a module call, in two buffers: the one `current`
// names is whole while the other is written.
char afterSignal[2][512];
volatile std::sig_atomic_t current = -1;  // -1: a stop in a module call waits for it to return
bool onTerminal = false;  // the line starts on a line of its own, after the progress line

void writeText(const char *text) {
    const ssize_t ignored = ::write(STDERR_FILENO, text, std::strlen(text));
    static_cast<void>(ignored);
}

extern "C" void noteStop(int signal) {
    if (caughtSignal == 0) caughtSignal = signal;
    const int buffer = current;
    if (buffer < 0 || hostsim::moduleCall().entry == nullptr) return;
    if (onTerminal) writeText("\n");
    writeText("vistrelle run: stopped by ");
    writeText(signal == SIGINT ? "SIGINT" : signal == SIGTERM ? "SIGTERM" : "SIGHUP");
    writeText(afterSignal[buffer]);
    writeText("\n");
    removeEmptyMadeFolders();
    ::_exit(128 + signal);
}

}  // namespace

void StopSignals::catchUntilExit() {
    caughtSignal = 0;
    struct sigaction action {};
    action.sa_handler = &noteStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    for (const int signal : stopSignals) sigaction(signal, &action, nullptr);
}

int StopSignals::caught() { return caughtSignal; }

void StopSignals::stopInModuleCalls(std::string_view text) {
    const int next = current == 0 ? 1 : 0;
    const std::size_t size = std::min(text.size(), sizeof afterSignal[next] - 1);
    std::memcpy(afterSignal[next], text.data(), size);
    afterSignal[next][size] = '\0';
    onTerminal = ::isatty(STDERR_FILENO) == 1;
    current = next;
}

void StopSignals::actByDefault() {
    for (const int signal : stopSignals) std::signal(signal, SIG_DFL);
}

void throwIfStopped() {
    if (const int signal = StopSignals::caught(); signal != 0) throw RunStopped(signal);
}

std::string signalName(int signal) {
    switch (signal) {
        case SIGINT:
            return "SIGINT";
        case SIGTERM:
            return "SIGTERM";
        case SIGHUP:
            return "SIGHUP";
        case SIGKILL:
            return "SIGKILL";
        case SIGQUIT:
            return "SIGQUIT";
        case SIGSEGV:
            return "SIGSEGV";
        case SIGBUS:
            return "SIGBUS";
        case SIGABRT:
            return "SIGABRT";
        case SIGFPE:
            return "SIGFPE";
        case SIGILL:
            return "SIGILL";
        default:
            return "signal " + std::to_string(signal);
    }
}

bool isStopSignal(int signal) {
    return signal == SIGINT || signal == SIGTERM || signal == SIGHUP || signal == SIGKILL ||
           signal == SIGQUIT || signal == SIGPIPE;
}

}  // namespace cli
