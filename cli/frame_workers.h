// Playing a run's frames on several cores. Frames are independent of each other (each begins with
// newTime, and the module measures every leaf anew), so copies of the host can play them side by side.
// The copies are worker processes forked from this one: every worker holds its own module, its own
// instances and its own services, so nothing of the module's contract changes (one host per process,
// calls of an instance one at a time, module-wide service pointers untouched).
//
//   playFrames(host, 0, 23, 1, 2, [&](std::int32_t frame, const std::vector<hostsim::DisplacedObject> &objects) {
//       write(frame, objects);   // called here, on this thread, for frame 0, 1, 2, ... in order
//   });
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "hostsim/host.h"

namespace cli {

// Receives one played frame: what host.runFrame(frame) gave. Its positions are views that hold only
// until the sink returns: keep a copy of what is needed later.
using FrameSink = std::function<void(std::int32_t frame, const std::vector<hostsim::DisplacedObject> &objects)>;

// The number of jobs when none is asked for: the cores this process may run on.
unsigned defaultJobs();

// Plays frames first, first + step, ... up to last with host.runFrame and hands each to `sink` in
// frame order, on the calling thread. The first frame is always played by `host` itself, so that the host holds what a
// played frame leaves (the target the module resolved, ...) when the sink sees it. With more than one
// job the other frames are played by `jobs` worker processes, copies of this one as the first frame
// left it, each playing every jobs-th of them; the positions they hand back are those `host` would
// have given, bit for bit. A worker that fails or stops makes this throw a HostError naming the frame;
// so does a sink that throws, after the workers are stopped.
void playFrames(hostsim::Host &host, std::int64_t first, std::int64_t last, std::int64_t step, unsigned jobs,
                const FrameSink &sink);

}  // namespace cli
