// Ctrl-C (SIGINT), SIGTERM and SIGHUP while a run plays its frames: noted rather than obeyed at
// once, so that the run stops between two frames with every frame it has handed on whole, and says
// so.
#pragma once

#include <csignal>
#include <exception>
#include <string>

namespace cli {

class StopSignals {
  public:
    // Catches the three signals until destroyed. A blocking read is interrupted by them (no
    // restart).
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

    // The first of them caught since, or 0.
    static int caught();
    // In a forked worker: the three act as by default again, so that a worker stops at once; the
    // run that made it cleans up after it.
    static void actByDefault();

  private:
    struct sigaction old_[3]{};
};

// Thrown where a run checks for a stop signal and one was caught.
class RunStopped : public std::exception {
  public:
    explicit RunStopped(int signal, bool worker = false) : signal_(signal), worker_(worker) {}
    int signal() const { return signal_; }
    // Whether the signal stopped a worker rather than the run itself.
    bool worker() const { return worker_; }
    const char *what() const noexcept override { return "stopped by a signal"; }

  private:
    int signal_;
    bool worker_;
};

// Throws RunStopped when a stop signal was caught.
void throwIfStopped();

// "SIGINT", "SIGTERM", "SIGHUP", "SIGKILL", ..., else "signal N".
std::string signalName(int signal);

// Whether a worker ended by `signal` was stopped from outside (the run stops as on Ctrl-C), rather
// than having crashed.
bool isStopSignal(int signal);

}  // namespace cli
