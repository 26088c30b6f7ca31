// The worker processes of a run played on several cores: each a copy of this process forked after
// the first frame, playing every jobs-th frame into memory it shares with this process, writing
// that frame's files, and sending a record of it over a socket (cli/worker_records.h). On Windows a
// worker is this program started anew with the run's own arguments and "--worker ORDER": it plays
// the run's first frame and settles as the run did, then its own frames, and sends them over a
// pipe; a job object ends the workers with the run.
#pragma once

#include "cli/frame_workers.h"
#include "cli/shared_positions.h"
#include "cli/worker_records.h"

#if !defined(_WIN32)
#include <sys/types.h>
#endif
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace cli {

class FrameWorkerProcesses {
  public:
    FrameWorkerProcesses() = default;
    FrameWorkerProcesses(const FrameWorkerProcesses &) = delete;
    FrameWorkerProcesses &operator=(const FrameWorkerProcesses &) = delete;
    ~FrameWorkerProcesses() { stopAll(); }

    // Worker k plays frames from + k * step, then every jobs * step frames on, each frame of at
    // most `positions` positions. HostError when a worker cannot be made.
    void start(hostsim::Host &host, const FrameHandlers &handlers, std::int64_t from,
               std::int64_t last, std::int64_t step, unsigned jobs, std::size_t positions);

    std::size_t size() const { return workers_.size(); }

    // The next frame from worker k, which should be `frame`. Throws RunStopped when a stop signal
    // comes or the worker was stopped from outside (SIGTERM, SIGKILL, ...), DiskFullError when its
    // writer found the disk full, and HostError naming the frame for any other end.
    void receive(std::size_t k, std::int32_t frame, ReceivedFrame &got);

    // Tells worker k that its latest frame has been handed on: that half of its memory is free.
    void release(std::size_t k);

    // Waits for worker k, which has sent its last frame; HostError when it did not end well. A
    // worker stopped from outside as it ended has ended well: every frame it played is handed on.
    void finish(std::size_t k);

    // Ends every worker still running at once, wherever it is; what it was writing may stay behind
    // as files of frames not handed on and temporary files, which the run removes.
    void stopAll();

  private:
    struct Worker {
#if defined(_WIN32)
        void *process = nullptr;
#else
        pid_t pid = -1;
#endif
        int fd = -1;  // this process's end of its socket
        std::unique_ptr<SharedPositions> shared;
    };

    // The worker's status once it has ended.
    static int reap(Worker &w);

    std::vector<Worker> workers_;
#if defined(_WIN32)
    void *job_ = nullptr;            // ends the workers when this process ends
    std::vector<void *> instances_;  // this process's instances, by displacement
#endif
};

#if defined(_WIN32)
// What "--worker" tells a worker: "FROM,LAST,STRIDE,PIPE,SECTION,POSITIONS".
struct WorkerOrder {
    std::int64_t from = 0, last = 0, stride = 1;
    int fd = -1;  // the pipe to the run
    void *section = nullptr;
    std::uint64_t positions = 0;
};

// HostError when the text is not an order.
WorkerOrder parseWorkerOrder(const std::string &text);

// In a worker, once its host is made: plays the run's first frame `first` and settles as the run
// did (without writing), then plays and writes its frames, sends each to the run, and ends the
// process.
[[noreturn]] void serveFrames(hostsim::Host &host, const FrameHandlers &handlers,
                              std::int64_t first, const WorkerOrder &order);
#endif

}  // namespace cli
