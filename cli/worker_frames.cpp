#include "cli/worker_frames.h"

#include "cli/module_watch.h"
#include "cli/worker_records.h"
#include "formats/text/text_file.h"

#include <chrono>
#include <exception>
#include <vector>

namespace cli {

int playWorkerFrames(hostsim::Host &host, const FrameHandlers &handlers, int fd,
                     const SharedPositions &shared, std::int64_t from, std::int64_t last,
                     std::int64_t stride) {
    std::uint64_t k = 0;
    for (std::int64_t frame = from; frame <= last; frame += stride, ++k) {
        const auto f = static_cast<std::int32_t>(frame);
        char taken = 0;
        if (k >= SharedPositions::halves && !readAll(fd, &taken, 1)) return 3;
        const std::uint64_t half = k % SharedPositions::halves;
        const auto started = std::chrono::steady_clock::now();
        ModuleWatch::startFrame(f);
        const std::vector<hostsim::DisplacedObject> &objects =
            host.runFrameInto(f, shared.half(half));
        ModuleWatch::endFrame();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        if (!sendFrame(fd, f, half, objects, seconds, handlers.write(f, objects))) return 3;
    }
    return 0;
}

int reportingFailures(int fd, const std::function<int()> &work) {
    try {
        return work();
    } catch (const formats::DiskFullError &e) {
        sendError(fd, RecordKind::diskFull, e.what());
    } catch (const std::exception &e) {
        sendError(fd, RecordKind::error, e.what());
    } catch (...) {
        sendError(fd, RecordKind::error, "unknown error");
    }
    return 1;
}

}  // namespace cli
