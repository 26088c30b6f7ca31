// Ctrl-C (SIGINT), SIGTERM and SIGHUP while a run plays its frames: noted rather than obeyed at
// once, so that the run stops between two frames with every frame it has handed on whole, and says
// so; or, inside a module call that may never return, obeyed at once with the same line.
// On Windows the stops are the console's events, each given the number of the C runtime's signal:
// Ctrl+C is SIGINT (exit 130), Ctrl+Break SIGBREAK (149), and the console's close, a logoff or a
// shutdown SIGTERM (143).
#pragma once

#include <csignal>
#include <exception>
#include <string>
#include <string_view>

namespace cli {

class StopSignals {
  public:
    // From now until the process ends, catches the three signals: a stop that comes after the run
    // has played its frames (while it writes its last files, releases its folder or exits) is
    // noted like any other, never an end by the signal. A blocking read is interrupted by them (no
    // restart). Forgets any stop caught before.
    static void catchUntilExit();

    // The first of them caught since, or 0.
    static int caught();
    // From now on a stop caught while this process is inside a module call (which may never
    // return) ends the process at once, removing any empty folder the run made, with the line
    // "vistrelle run: stopped by SIGINT" + `afterSignal` and exit 128 + the signal. A run that
    // plays frames itself keeps `afterSignal` up to date (" at frame 93: frames 0 to 92 are
    // written whole"); the frames it has written are whole, and no file of the frame in play is
    // open during a module call.
    static void stopInModuleCalls(std::string_view afterSignal);

    // In a worker: a stop ends it at once (as by default for a forked one); the run that made it
    // cleans up after it.
    static void actByDefault();
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

#if defined(_WIN32)
// Whether the run's thread is waiting on a worker's pipe: only such a wait is cancelled by a stop,
// never a file's write.
void waitForWorker(bool waiting);
#endif

// "SIGINT", "SIGTERM", "SIGHUP", "SIGKILL", ..., else "signal N"; on Windows "Ctrl+C",
// "Ctrl+Break" and "the console's close".
std::string signalName(int signal);

// Whether a worker ended by `signal` was stopped from outside (the run stops as on Ctrl-C), rather
// than having crashed.
bool isStopSignal(int signal);

}  // namespace cli
