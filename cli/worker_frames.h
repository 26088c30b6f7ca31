// A worker process's frames, the same on every system: each frame played into its half of the
// shared memory, its files written, its record sent; an error sent as the worker's last record.
#pragma once

#include "cli/frame_workers.h"
#include "cli/shared_positions.h"
#include "hostsim/host.h"

#include <cstdint>
#include <functional>

namespace cli {

// Plays every `stride`th frame from `from` to `last`, the k-th into shared half k % 2 once the run
// has taken the frame that was there, two before it. Answers the worker's exit status: 0 when every
// frame was sent, 3 when the run has gone or given up (nothing to report to). Throws what a frame
// throws.
int playWorkerFrames(hostsim::Host &host, const FrameHandlers &handlers, int fd,
                     const SharedPositions &shared, std::int64_t from, std::int64_t last,
                     std::int64_t stride);

// Runs `work` and answers its status; an exception it throws is sent over `fd` as the worker's
// error record (disk full or error) and answers 1.
int reportingFailures(int fd, const std::function<int()> &work);

}  // namespace cli
