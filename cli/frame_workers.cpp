// The order of a run's frames: the first played here, the others by the workers in turn, all handed
// to the sink here in frame order. A worker's host writes each frame's positions straight into
// memory it shares with this process, one of two halves by turns; a byte sent back, once the frame
// has been handed on, frees that half for the worker's frame after next. Nothing of a frame crosses
// the socket but its record, and the positions are handed on where they lie.
#include "cli/frame_workers.h"

#include "cli/frame_worker_processes.h"
#include "cli/module_watch.h"
#include "cli/stop_signals.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sched.h>
#endif
#include <algorithm>
#include <bit>
#include <chrono>
#include <numeric>
#include <thread>

namespace cli {
namespace {

std::size_t pointCount(const std::vector<hostsim::DisplacedObject> &objects) {
    return std::accumulate(objects.begin(), objects.end(), std::size_t{0},
                           [](std::size_t sum, const hostsim::DisplacedObject &o) {
                               return sum + o.positions.size();
                           });
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Hands a played frame on; should the sink throw, the frame's files are removed first.
void handOn(const FrameHandlers &handlers, std::int32_t frame,
            const std::vector<hostsim::DisplacedObject> &objects, const WrittenFiles &files) {
    try {
        handlers.sink(frame, objects, files);
    } catch (...) {
        removeFiles(files.paths);
        throw;
    }
}

// Writes the files of a frame played here, then hands it on.
void writeAndHandOn(const FrameHandlers &handlers, std::int32_t frame,
                    const std::vector<hostsim::DisplacedObject> &objects) {
    handOn(handlers, frame, objects, handlers.write(frame, objects));
}

// The frames from `next` on that workers may have begun: each is at most two of its own frames
// ahead of the last one handed on, and the workers take the frames in turn.
std::vector<std::int32_t> framesInFlight(std::int64_t next, std::int64_t last, std::int64_t step,
                                         std::size_t workers) {
    std::vector<std::int32_t> frames;
    const std::int64_t reach =
        static_cast<std::int64_t>(SharedPositions::halves + 1) * static_cast<std::int64_t>(workers);
    for (std::int64_t k = 0; k < reach && next + k * step <= last; ++k)
        frames.push_back(static_cast<std::int32_t>(next + k * step));
    return frames;
}

// One frame through the module, within the frame time limit.
std::vector<hostsim::DisplacedObject> playFrame(hostsim::Host &host, std::int32_t frame) {
    ModuleWatch::startFrame(frame);
    std::vector<hostsim::DisplacedObject> played = host.runFrame(frame);
    ModuleWatch::endFrame();
    return played;
}

}  // namespace

unsigned defaultJobs() {
#if defined(_WIN32)
    DWORD_PTR mine = 0, system = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &mine, &system) && mine != 0)
        return static_cast<unsigned>(std::popcount(static_cast<std::uintptr_t>(mine)));
#else
    cpu_set_t set;
    if (::sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return static_cast<unsigned>(CPU_COUNT(&set));
#endif
    return std::max(1u, std::thread::hardware_concurrency());
}

double playFrames(hostsim::Host &host, std::int64_t first, std::int64_t last, std::int64_t step,
                  unsigned jobs, const FrameHandlers &handlers) {
    if (first > last || step < 1) return 0.0;
    throwIfStopped();
    const auto firstFrame = static_cast<std::int32_t>(first);
    auto started = std::chrono::steady_clock::now();
    std::vector<hostsim::DisplacedObject> played = playFrame(host, firstFrame);
    double seconds = secondsSince(started);
    handlers.settle();
    if (jobs <= 1) {
        writeAndHandOn(handlers, firstFrame, played);
        for (std::int64_t frame = first + step; frame <= last; frame += step) {
            throwIfStopped();
            started = std::chrono::steady_clock::now();
            played = playFrame(host, static_cast<std::int32_t>(frame));
            seconds += secondsSince(started);
            writeAndHandOn(handlers, static_cast<std::int32_t>(frame), played);
        }
        return seconds;
    }
    FrameWorkerProcesses workers;
    std::int64_t next = first + step;  // the first frame not handed on yet
    try {
        // Every later frame has as many positions as the first: the meshes stay.
        workers.start(host, handlers, first + step, last, step, jobs, pointCount(played));
        writeAndHandOn(handlers, firstFrame, played);
        const std::int64_t stride = step * jobs;
        double workerSeconds = 0.0;
        ReceivedFrame got;
        while (next <= last) {
            throwIfStopped();
            const auto k = static_cast<std::size_t>(((next - first) / step - 1) % jobs);
            const auto f = static_cast<std::int32_t>(next);
            workers.receive(k, f, got);
            workerSeconds += got.seconds;
            handOn(handlers, f, got.objects, got.files);
            next += step;  // handed on: whatever comes now, its files stay
            if (f + stride > last)
                workers.finish(k);
            else
                workers.release(k);
        }
        return seconds +
               workerSeconds / static_cast<double>(std::max<std::size_t>(workers.size(), 1));
    } catch (...) {
        workers.stopAll();
        if (next <= last && handlers.discard)
            handlers.discard(
                framesInFlight(next, last, step, std::max<std::size_t>(workers.size(), jobs)));
        throw;
    }
}

}  // namespace cli
