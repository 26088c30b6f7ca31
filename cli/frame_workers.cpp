// Frames played by forked worker processes. A worker's host writes each frame's positions straight
// into memory it shares with this process, one of two halves by turns, and the worker sends a short
// record over a socket saying which frame they are; a byte sent back, once the frame has been handed
// on, frees that half for the worker's frame after next. Nothing of a frame crosses the socket but its
// record, and the positions are handed on where they lie.
#include "cli/frame_workers.h"

#include "hostsim/host_error.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <iostream>
#include <memory>
#include <numeric>
#include <span>
#include <sched.h>
#include <string>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace cli {
namespace {

// What a worker sends: a frame record, or an error record and nothing after it.
enum class RecordKind : std::uint32_t { frame = 0x46524d32, error = 0x45525231 };

// One displaced object of a frame record: its place in the host's lists and how many of the shared
// positions are its own, in order after those of the objects before it.
struct ObjectHeader {
    std::uint64_t displacement;
    ItemId object;
    void *instance;  // addresses of the forked copy, the same as this process's
    std::uint64_t count;
};

bool writeAll(int fd, const void *data, std::size_t size) {
    const char *at = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t written = ::send(fd, at, size, MSG_NOSIGNAL);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        at += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// False at the end of the stream (the other side stopped) before `size` bytes came.
bool readAll(int fd, void *data, std::size_t size) {
    char *at = static_cast<char *>(data);
    while (size > 0) {
        const ssize_t got = ::read(fd, at, size);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        at += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

std::size_t pointCount(const std::vector<hostsim::DisplacedObject> &objects) {
    return std::accumulate(objects.begin(), objects.end(), std::size_t{0},
                           [](std::size_t sum, const hostsim::DisplacedObject &o) { return sum + o.positions.size(); });
}

// Positions shared between this process and the worker forked after it was made: two halves, so that
// the worker can play a frame while this process still hands on the one before.
class SharedPositions {
public:
    explicit SharedPositions(std::size_t perFrame) : perFrame_(std::max<std::size_t>(perFrame, 1)) {
        void *memory = ::mmap(nullptr, bytes(), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED)
            throw hostsim::HostError("vistrelle run: cannot share " + std::to_string(bytes()) + " bytes with a worker: " + std::strerror(errno));
        data_ = static_cast<hostsim::Position *>(memory);
    }
    ~SharedPositions() { ::munmap(data_, bytes()); }
    SharedPositions(const SharedPositions &) = delete;
    SharedPositions &operator=(const SharedPositions &) = delete;

    static constexpr std::uint64_t halves = 2;
    std::span<hostsim::Position> half(std::uint64_t k) const { return {data_ + k * perFrame_, perFrame_}; }

private:
    std::size_t bytes() const { return halves * perFrame_ * sizeof(hostsim::Position); }
    std::size_t perFrame_;
    hostsim::Position *data_ = nullptr;
};

void sendError(int fd, const std::string &what) {
    const RecordKind kind = RecordKind::error;
    const std::uint64_t size = what.size();
    if (writeAll(fd, &kind, sizeof kind) && writeAll(fd, &size, sizeof size)) writeAll(fd, what.data(), what.size());
}

// Sends the record of a frame whose positions are in shared half `half`.
void sendFrame(int fd, std::int32_t frame, std::uint64_t half, const std::vector<hostsim::DisplacedObject> &objects) {
    const RecordKind kind = RecordKind::frame;
    const std::uint64_t objectCount = objects.size();
    bool sent = writeAll(fd, &kind, sizeof kind) && writeAll(fd, &frame, sizeof frame) && writeAll(fd, &half, sizeof half) &&
                writeAll(fd, &objectCount, sizeof objectCount);
    for (const hostsim::DisplacedObject &o : objects) {
        const ObjectHeader header{o.displacement, o.object, o.instance, o.positions.size()};
        sent = sent && writeAll(fd, &header, sizeof header);
    }
    if (!sent) ::_exit(3);  // the parent has gone or given up: nothing to report to
}

// A worker's life: every `stride`th frame from `from`, the k-th into shared half k % 2 once this
// process has taken the frame that was there, two before it.
[[noreturn]] void work(hostsim::Host &host, int fd, const SharedPositions &shared, std::int64_t from, std::int64_t last,
                       std::int64_t stride) {
    try {
        std::uint64_t k = 0;
        for (std::int64_t frame = from; frame <= last; frame += stride, ++k) {
            const auto f = static_cast<std::int32_t>(frame);
            char taken = 0;
            if (k >= SharedPositions::halves && !readAll(fd, &taken, 1)) ::_exit(3);
            const std::uint64_t half = k % SharedPositions::halves;
            sendFrame(fd, f, half, host.runFrameInto(f, shared.half(half)));
        }
    } catch (const std::exception &e) {
        sendError(fd, e.what());
        ::_exit(1);
    } catch (...) {
        sendError(fd, "unknown error");
        ::_exit(1);
    }
    ::_exit(0);
}

struct Worker {
    pid_t pid = -1;
    int fd = -1;  // this process's end of its socket
    std::unique_ptr<SharedPositions> shared;
};

// The workers of one call; stops and reaps whatever is left of them however the call ends.
class Workers {
public:
    Workers() = default;
    Workers(const Workers &) = delete;
    Workers &operator=(const Workers &) = delete;
    ~Workers() {
        for (Worker &w : workers_) {
            if (w.fd >= 0) ::close(w.fd);
            if (w.pid > 0) {
                ::kill(w.pid, SIGTERM);
                reap(w);
            }
        }
    }

    // Worker k plays frames from + k * step, then every jobs * step frames on, each frame of at most
    // `positions` positions.
    void start(hostsim::Host &host, std::int64_t from, std::int64_t last, std::int64_t step, unsigned jobs, std::size_t positions) {
        for (unsigned k = 0; k < jobs && from + k * step <= last; ++k) {
            Worker worker;
            worker.shared = std::make_unique<SharedPositions>(positions);
            int ends[2];
            if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
                throw hostsim::HostError("vistrelle run: cannot make a socket for a worker: " + std::string(std::strerror(errno)));
            std::cout.flush();
            std::cerr.flush();
            const pid_t pid = ::fork();
            if (pid < 0) {
                const int error = errno;
                ::close(ends[0]);
                ::close(ends[1]);
                throw hostsim::HostError("vistrelle run: cannot start a worker: " + std::string(std::strerror(error)));
            }
            if (pid == 0) {
                ::close(ends[0]);
                for (const Worker &w : workers_) ::close(w.fd);
                work(host, ends[1], *worker.shared, from + k * step, last, step * jobs);
            }
            ::close(ends[1]);
            worker.pid = pid;
            worker.fd = ends[0];
            workers_.push_back(std::move(worker));
        }
    }

    Worker &of(std::size_t k) { return workers_[k]; }

    // Waits for a worker that has sent its last frame; HostError when it did not end well.
    void finish(Worker &w) {
        ::close(w.fd);
        w.fd = -1;
        const int status = reap(w);
        if (!(WIFEXITED(status) && WEXITSTATUS(status) == 0))
            throw hostsim::HostError("vistrelle run: a worker ended badly after its last frame");
    }

    // Why a worker that sent nothing more stopped, as words.
    std::string stopped(Worker &w) {
        const int status = reap(w);
        if (WIFSIGNALED(status)) return "stopped by signal " + std::to_string(WTERMSIG(status));
        return "stopped with status " + std::to_string(WEXITSTATUS(status));
    }

private:
    static int reap(Worker &w) {
        int status = 0;
        while (::waitpid(w.pid, &status, 0) < 0 && errno == EINTR) {
        }
        w.pid = -1;
        return status;
    }

    std::vector<Worker> workers_;
};

// The next frame from worker `w` into `objects`, their positions viewing the worker's shared memory
// until `release`; a HostError saying why there is none.
void receive(Workers &workers, Worker &w, std::int32_t frame, std::vector<hostsim::DisplacedObject> &objects) {
    const std::string where = "vistrelle run: frame " + std::to_string(frame) + ": ";
    RecordKind kind{};
    if (!readAll(w.fd, &kind, sizeof kind)) throw hostsim::HostError(where + "the worker playing it " + workers.stopped(w));
    if (kind == RecordKind::error) {
        std::uint64_t size = 0;
        std::string what;
        if (readAll(w.fd, &size, sizeof size) && size < (1u << 20)) {
            what.resize(size);
            if (!readAll(w.fd, what.data(), size)) what.clear();
        }
        workers.stopped(w);
        throw hostsim::HostError(what.empty() ? where + "the worker playing it failed" : what);
    }
    std::int32_t played = 0;
    std::uint64_t half = 0;
    std::uint64_t count = 0;
    if (kind != RecordKind::frame || !readAll(w.fd, &played, sizeof played) || played != frame || !readAll(w.fd, &half, sizeof half) ||
        half >= SharedPositions::halves || !readAll(w.fd, &count, sizeof count) || count > (1u << 20))
        throw hostsim::HostError(where + "the worker playing it sent something else");
    objects.resize(count);
    const std::span<const hostsim::Position> shared = w.shared->half(half);
    std::size_t used = 0;
    for (hostsim::DisplacedObject &o : objects) {
        ObjectHeader header{};
        if (!readAll(w.fd, &header, sizeof header)) throw hostsim::HostError(where + "the worker playing it " + workers.stopped(w));
        if (header.count > shared.size() - used) throw hostsim::HostError(where + "the worker playing it sent more positions than it can share");
        o.displacement = header.displacement;
        o.object = header.object;
        o.instance = header.instance;
        o.positions = shared.subspan(used, header.count);
        used += header.count;
    }
}

// Tells worker `w` that its latest frame has been handed on: that half of its shared memory is free.
void release(Worker &w) {
    const char taken = 1;
    writeAll(w.fd, &taken, 1);  // a worker that has ended needs none: nothing to report
}

}  // namespace

unsigned defaultJobs() {
    cpu_set_t set;
    if (::sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return static_cast<unsigned>(CPU_COUNT(&set));
    return std::max(1u, std::thread::hardware_concurrency());
}

void playFrames(hostsim::Host &host, std::int64_t first, std::int64_t last, std::int64_t step, unsigned jobs,
                const FrameSink &sink) {
    if (first > last || step < 1) return;
    std::size_t firstCount = 0;  // every later frame has as many positions: the meshes stay
    {
        const std::vector<hostsim::DisplacedObject> played = host.runFrame(static_cast<std::int32_t>(first));
        firstCount = pointCount(played);
        sink(static_cast<std::int32_t>(first), played);
    }
    if (jobs <= 1) {
        for (std::int64_t frame = first + step; frame <= last; frame += step)
            sink(static_cast<std::int32_t>(frame), host.runFrame(static_cast<std::int32_t>(frame)));
        return;
    }
    Workers workers;
    workers.start(host, first + step, last, step, jobs, firstCount);
    const std::int64_t stride = step * jobs;
    std::vector<hostsim::DisplacedObject> objects;
    for (std::int64_t frame = first + step; frame <= last; frame += step) {
        const auto k = static_cast<std::size_t>(((frame - first) / step - 1) % jobs);
        const auto f = static_cast<std::int32_t>(frame);
        receive(workers, workers.of(k), f, objects);
        sink(f, objects);
        if (frame + stride > last) workers.finish(workers.of(k));
        else release(workers.of(k));
    }
}

}  // namespace cli
