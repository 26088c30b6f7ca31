// Playing a run's frames on several cores. Frames are independent of each other (each begins with
// newTime, and the module measures every leaf anew), so copies of the host can play them side by
// side. The copies are worker processes forked from this one: every worker holds its own module,
// its own instances and its own services, so nothing of the module's contract changes (one host per
// process, calls of an instance one at a time, module-wide service pointers untouched). A frame's
// files are written by the process that played it, so that writing them runs side by side too.
//
//   playFrames(host, 0, 23, 1, 2, {
//       .settle = [&] { settleCamera(); },        // here, once, after frame 0 is played
//       .write = [&](std::int32_t frame, const std::vector<hostsim::DisplacedObject> &objects) {
//           return writeFiles(frame, objects);   // in whichever process played the frame
//       },
//       .sink = [&](std::int32_t frame, const std::vector<hostsim::DisplacedObject> &objects, const
//       cli::WrittenFiles &files) {
//           count(frame, files);                 // here, on this thread, for frame 0, 1, 2, ... in
//           order
//       }});
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "cli/written_files.h"
#include "hostsim/host.h"
#include "hostsim/host_error.h"

namespace cli {

// Whether a worker is a copy of this process as the first frame left it (forked), rather than this
// program started anew, as on Windows: only a copy holds what `settle` made, the viewer among it.
#if defined(_WIN32)
inline constexpr bool workersAreCopies = false;
#else
inline constexpr bool workersAreCopies = true;
#endif

// What is done with the frames played, and where.
struct FrameHandlers {
    // Called once, here, as soon as the first frame is played and before any worker is made: what
    // it settles (what the module resolved, a camera, ...) every worker starts with.
    std::function<void()> settle;
    // Writes the files of one played frame in the process that played it, and answers them.
    std::function<WrittenFiles(std::int32_t frame,
                               const std::vector<hostsim::DisplacedObject> &objects)>
        write;
    // Receives each played frame here, in order: what host.runFrame(frame) gave and the files
    // written of it. Its positions are views that hold only until it returns: copy what is needed
    // later.
    std::function<void(std::int32_t frame, const std::vector<hostsim::DisplacedObject> &objects,
                       const WrittenFiles &files)>
        sink;
    // Removes whatever files of these frames a stopped worker may have left, whole or in part, and
    // the temporary files of a write it did not finish. Called here once the workers have ended.
    std::function<void(const std::vector<std::int32_t> &frames)> discard;
};

// What playFrames throws when a worker ended without a word of why (ended from outside, or by a
// signal that is no stop): a line saying how it ended ("a worker ended by SIGSEGV"), which the
// caller follows with where the run stopped and what it kept.
class WorkerEnded : public hostsim::HostError {
  public:
    using HostError::HostError;
};

// The number of jobs when none is asked for: the cores this process may run on.
unsigned defaultJobs();

// Plays frames first, first + step, ... up to last with host.runFrame, has `write` write each one's
// files, and hands each to `sink` in frame order, on the calling thread. The first frame is always
// played, written and handed on here, so that this process holds what it leaves (the target the
// module resolved, what `settle` settled, ...). With more than one job the other frames are played
// and written by `jobs` worker processes, copies of this one as the first frame and `settle` left
// it (made before the first frame is written, so that they start at once), each playing every
// jobs-th of them; the positions they hand back are those `host` would have given, bit for bit.
//
// Between frames it checks for a stop signal (cli/stop_signals.h) and throws RunStopped once one
// came, as it does when a worker is stopped from outside. A worker that ends without a word makes
// this throw WorkerEnded; one that fails otherwise makes this throw a HostError naming the frame (a
// DiskFullError when its writer threw one; the module's own line when it crashed); a handler that
// throws here makes this throw what it threw. Either way the workers are ended at once and the
// files of every frame not handed to the sink are removed (`discard`): the frames handed on keep
// their files, the others leave none, nor any temporary file.
//
// Answers the time the host took to play the frames: that of the frames played here, plus that of
// the frames the workers played divided by the number of workers, as they play side by side.
double playFrames(hostsim::Host &host, std::int64_t first, std::int64_t last, std::int64_t step,
                  unsigned jobs, const FrameHandlers &handlers);

}  // namespace cli
