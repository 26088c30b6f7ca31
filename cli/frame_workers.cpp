// Frames played by forked worker processes, each frame's positions sent back whole through a pipe.
#include "cli/frame_workers.h"

#include "hostsim/host_error.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <sched.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace cli {
namespace {

// What a worker sends: a frame record, or an error record and nothing after it.
enum class RecordKind : std::uint32_t { frame = 0x46524d31, error = 0x45525231 };

// One displaced object as it travels: its place in the host's lists, then its positions.
struct ObjectHeader {
    std::uint64_t displacement;
    ItemId object;
    void *instance;  // addresses of the forked copy, the same as this process's
    std::uint64_t count;
};

bool writeAll(int fd, const void *data, std::size_t size) {
    const char *at = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, at, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        at += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// False at the end of the pipe (the worker stopped) before `size` bytes came.
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

void sendFrame(int fd, std::int32_t frame, const std::vector<hostsim::DisplacedObject> &objects) {
    const RecordKind kind = RecordKind::frame;
    const std::uint64_t count = objects.size();
    bool sent = writeAll(fd, &kind, sizeof kind) && writeAll(fd, &frame, sizeof frame) && writeAll(fd, &count, sizeof count);
    for (const hostsim::DisplacedObject &o : objects) {
        const ObjectHeader header{o.displacement, o.object, o.instance, o.positions.size()};
        sent = sent && writeAll(fd, &header, sizeof header) &&
               writeAll(fd, o.positions.data(), o.positions.size() * sizeof(hostsim::Position));
    }
    if (!sent) ::_exit(3);  // the parent has gone or given up: nothing to report to
}

void sendError(int fd, const std::string &what) {
    const RecordKind kind = RecordKind::error;
    const std::uint64_t size = what.size();
    if (writeAll(fd, &kind, sizeof kind) && writeAll(fd, &size, sizeof size)) writeAll(fd, what.data(), what.size());
}

// A worker's life: every `stride`th frame from `from`, each sent as soon as it is played.
[[noreturn]] void work(hostsim::Host &host, int fd, std::int64_t from, std::int64_t last, std::int64_t stride) {
    try {
        for (std::int64_t frame = from; frame <= last; frame += stride) {
            const auto f = static_cast<std::int32_t>(frame);
            sendFrame(fd, f, host.runFrame(f));
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
    int fd = -1;  // read end of its pipe
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

    // Worker k plays frames from + k * step, then every jobs * step frames on.
    void start(hostsim::Host &host, std::int64_t from, std::int64_t last, std::int64_t step, unsigned jobs) {
        for (unsigned k = 0; k < jobs && from + k * step <= last; ++k) {
            int ends[2];
            if (::pipe(ends) != 0) throw hostsim::HostError("vistrelle run: cannot make a pipe for a worker: " + std::string(std::strerror(errno)));
            ::fcntl(ends[0], F_SETPIPE_SZ, 1 << 20);  // fewer wake-ups per frame; the default also works
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
                work(host, ends[1], from + k * step, last, step * jobs);
            }
            ::close(ends[1]);
            workers_.push_back({pid, ends[0]});
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

// The next frame from worker `w`: the frame it played, or a HostError saying why there is none.
std::vector<hostsim::DisplacedObject> receive(Workers &workers, Worker &w, std::int32_t frame) {
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
    std::uint64_t count = 0;
    if (kind != RecordKind::frame || !readAll(w.fd, &played, sizeof played) || played != frame || !readAll(w.fd, &count, sizeof count))
        throw hostsim::HostError(where + "the worker playing it sent something else");
    std::vector<hostsim::DisplacedObject> objects(count);
    for (hostsim::DisplacedObject &o : objects) {
        ObjectHeader header{};
        if (!readAll(w.fd, &header, sizeof header)) throw hostsim::HostError(where + "the worker playing it " + workers.stopped(w));
        o.displacement = header.displacement;
        o.object = header.object;
        o.instance = header.instance;
        o.positions.resize(header.count);
        if (!readAll(w.fd, o.positions.data(), header.count * sizeof(hostsim::Position)))
            throw hostsim::HostError(where + "the worker playing it " + workers.stopped(w));
    }
    return objects;
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
    sink(static_cast<std::int32_t>(first), host.runFrame(static_cast<std::int32_t>(first)));
    if (jobs <= 1) {
        for (std::int64_t frame = first + step; frame <= last; frame += step)
            sink(static_cast<std::int32_t>(frame), host.runFrame(static_cast<std::int32_t>(frame)));
        return;
    }
    Workers workers;
    workers.start(host, first + step, last, step, jobs);
    const std::int64_t stride = step * jobs;
    for (std::int64_t frame = first + step; frame <= last; frame += step) {
        const auto k = static_cast<std::size_t>(((frame - first) / step - 1) % jobs);
        const auto f = static_cast<std::int32_t>(frame);
        sink(f, receive(workers, workers.of(k), f));
        if (frame + stride > last) workers.finish(workers.of(k));
    }
}

}  // namespace cli
