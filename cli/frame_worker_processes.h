// The worker processes of a run played on several cores: each a copy of this process forked after
// the first frame, playing every jobs-th frame into memory it shares with this process, writing
// that frame's files, and sending a record of it over a socket (cli/worker_records.h).
#pragma once

#include "cli/frame_workers.h"
#include "cli/shared_positions.h"
#include "cli/worker_records.h"

#include <sys/types.h>
#include <cstddef>
#include <cstdint>
#include <memory>
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

    // Waits for worker k, which has sent its last frame; HostError when it did not end well.
    void finish(std::size_t k);

    // Ends every worker still running at once, wherever it is; what it was writing may stay behind
    // as files of frames not handed on and temporary files, which the run removes.
    void stopAll();

  private:
    struct Worker {
        pid_t pid = -1;
        int fd = -1;  // this process's end of its socket
        std::unique_ptr<SharedPositions> shared;
    };

    // The worker's status once it has ended.
    static int reap(Worker &w);

    std::vector<Worker> workers_;
};

}  // namespace cli
