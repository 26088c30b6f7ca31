// Starting, reading, releasing and ending the worker processes of a run.
#include "cli/frame_worker_processes.h"

#include "cli/module_watch.h"
#include "cli/stop_signals.h"
#include "cli/test_pause.h"
#include "cli/worker_frames.h"
#include "formats/text/text_file.h"
#include "hostsim/host_error.h"

#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <iostream>
#include <string>

namespace cli {
namespace {

// A worker's life: its frames (cli/worker_frames.h), then its end. It ends at once when the run
// stops taking frames (its socket ends).
[[noreturn]] void work(hostsim::Host &host, const FrameHandlers &handlers, int fd,
                       const SharedPositions &shared, std::int64_t from, std::int64_t last,
                       std::int64_t stride) {
    StopSignals::actByDefault();
    ModuleWatch::reportTo(fd);
    const int status = reportingFailures(
        fd, [&] { return playWorkerFrames(host, handlers, fd, shared, from, last, stride); });
    if (status == 0) pauseForTest("worker-end");
    ::_exit(status);
}

void interrupted() { throwIfStopped(); }

}  // namespace

void FrameWorkerProcesses::start(hostsim::Host &host, const FrameHandlers &handlers,
                                 std::int64_t from, std::int64_t last, std::int64_t step,
                                 unsigned jobs, std::size_t positions) {
    for (unsigned k = 0; k < jobs && from + k * step <= last; ++k) {
        Worker worker;
        worker.shared = std::make_unique<SharedPositions>(positions);
        int ends[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
            throw hostsim::HostError("vistrelle run: cannot make a socket for a worker: " +
                                     std::string(std::strerror(errno)));
        std::cout.flush();
        std::cerr.flush();
        const pid_t pid = ::fork();
        if (pid < 0) {
            const int error = errno;
            ::close(ends[0]);
            ::close(ends[1]);
            throw hostsim::HostError("vistrelle run: cannot start a worker: " +
                                     std::string(std::strerror(error)));
        }
        if (pid == 0) {
            ::close(ends[0]);
            for (const Worker &w : workers_) ::close(w.fd);
            work(host, handlers, ends[1], *worker.shared, from + k * step, last, step * jobs);
        }
        ::close(ends[1]);
        worker.pid = pid;
        worker.fd = ends[0];
        workers_.push_back(std::move(worker));
    }
}

void FrameWorkerProcesses::receive(std::size_t k, std::int32_t frame, ReceivedFrame &got) {
    Worker &w = workers_[k];
    const std::string where = "vistrelle run: frame " + std::to_string(frame) + ": ";
    std::string what;
    switch (readRecord(w.fd, *w.shared, got, what, &interrupted)) {
        case Reading::frame:
            if (got.frame == frame) return;
            removeFiles(got.files.paths);
            break;
        case Reading::ended: {
            throwIfStopped();  // a Ctrl-C reaches the workers too, and they end first
            const int status = reap(w);
            if (WIFSIGNALED(status) && isStopSignal(WTERMSIG(status)))
                throw RunStopped(WTERMSIG(status), true);
            if (WIFSIGNALED(status))
                throw WorkerEnded("a worker ended by " + signalName(WTERMSIG(status)));
            throw WorkerEnded("a worker ended unexpectedly with exit status " +
                              std::to_string(WEXITSTATUS(status)));
        }
        case Reading::error:
            reap(w);
            throw hostsim::HostError(what.empty() ? where + "the worker playing it failed" : what);
        case Reading::diskFull:
            reap(w);
            throw formats::DiskFullError(what.empty() ? where + "the disk is full" : what);
        case Reading::garbled:
            break;
    }
    throw hostsim::HostError(where + "the worker playing it sent something else");
}

void FrameWorkerProcesses::release(std::size_t k) {
    const char taken = 1;
    writeAll(workers_[k].fd, &taken, 1);  // a worker that has ended needs none: nothing to report
}

void FrameWorkerProcesses::finish(std::size_t k) {
    Worker &w = workers_[k];
    ::close(w.fd);
    w.fd = -1;
    pauseForTest("reap");
    const int status = reap(w);
    // Stopped from outside as it ended (a Ctrl-C reaches the workers too): every frame it played
    // has been handed on, so nothing is lost, and a stop of the run is the run's own to report.
    if (WIFSIGNALED(status) && isStopSignal(WTERMSIG(status))) return;
    if (!(WIFEXITED(status) && WEXITSTATUS(status) == 0))
        throw hostsim::HostError("vistrelle run: a worker ended badly after its last frame");
}

void FrameWorkerProcesses::stopAll() {
    for (Worker &w : workers_) {
        if (w.pid > 0) ::kill(w.pid, SIGKILL);
        if (w.fd >= 0) ::close(w.fd);
        w.fd = -1;
        reap(w);
    }
}

int FrameWorkerProcesses::reap(Worker &w) {
    int status = 0;
    while (w.pid > 0 && ::waitpid(w.pid, &status, 0) < 0 && errno == EINTR) {}
    w.pid = -1;
    return status;
}

}  // namespace cli
