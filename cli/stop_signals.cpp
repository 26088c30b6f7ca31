// Noting stop signals. The handler can reach only static storage, hence the one flag below.
#include "cli/stop_signals.h"

#include <cstring>

namespace cli {
namespace {

volatile std::sig_atomic_t caughtSignal = 0;

constexpr int stopSignals[3] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void noteStop(int signal) {
    if (caughtSignal == 0) caughtSignal = signal;
}

}  // namespace

StopSignals::StopSignals() {
    caughtSignal = 0;
    struct sigaction action {};
    action.sa_handler = &noteStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    for (int i = 0; i < 3; ++i) sigaction(stopSignals[i], &action, &old_[i]);
}

StopSignals::~StopSignals() {
    for (int i = 0; i < 3; ++i) sigaction(stopSignals[i], &old_[i], nullptr);
}

int StopSignals::caught() { return caughtSignal; }

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
