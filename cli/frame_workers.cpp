// Frames played by forked worker processes. A worker's host writes each frame's positions straight
// into memory it shares with this process, one of two halves by turns; the worker writes the frame's
// files and sends a short record over a socket saying which frame they are and which files it wrote;
// a byte sent back, once the frame has been handed on, frees that half for the worker's frame after
// next. Nothing of a frame crosses the socket but its record, and the positions are handed on where
// they lie.
#include "cli/frame_workers.h"

#include "formats/text/text_file.h"
#include "hostsim/host_error.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <numeric>
#include <span>
#include <sched.h>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace cli {
namespace {

// What a worker sends: a frame record, or an error record and nothing after it.
enum class RecordKind : std::uint32_t { frame = 0x46524d33, error = 0x45525231, diskFull = 0x44534b31 };

// One displaced object of a frame record: its place in the host's lists and how many of the shared
// positions are its own, in order after those of the objects before it.
struct ObjectHeader {
    std::uint64_t displacement;
    ItemId object;
    void *instance;  // addresses of the forked copy, the same as this process's
    std::uint64_t count;
};

// Limits on what a record may hold, so that a garbled one is refused rather than believed.
constexpr std::uint64_t maxObjects = 1u << 20;
constexpr std::uint64_t maxFiles = 1u << 16;
constexpr std::uint64_t maxText = 1u << 20;

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

// A record being put together, sent whole with one call.
class RecordText {
public:
    template <typename T>
    void add(const T &value) {
        text_.append(reinterpret_cast<const char *>(&value), sizeof value);
    }
    void addText(std::string_view text) {
        add(std::uint64_t{text.size()});
        text_.append(text);
    }
    bool sendTo(int fd) const { return writeAll(fd, text_.data(), text_.size()); }

private:
    std::string text_;
};

// Text of at most maxText bytes as addText sent it; false when the stream ends or it is too long.
bool readText(int fd, std::string &text) {
    std::uint64_t size = 0;
    if (!readAll(fd, &size, sizeof size) || size > maxText) return false;
    text.resize(size);
    return readAll(fd, text.data(), size);
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

void sendError(int fd, RecordKind kind, const std::string &what) {
    RecordText record;
    record.add(kind);
    record.addText(what);
    record.sendTo(fd);
}

// Sends the record of a frame whose positions are in shared half `half`, played in `seconds`.
void sendFrame(int fd, std::int32_t frame, std::uint64_t half, const std::vector<hostsim::DisplacedObject> &objects,
               double seconds, const WrittenFiles &files) {
    RecordText record;
    record.add(RecordKind::frame);
    record.add(frame);
    record.add(half);
    record.add(std::uint64_t{objects.size()});
    for (const hostsim::DisplacedObject &o : objects)
        record.add(ObjectHeader{o.displacement, o.object, o.instance, o.positions.size()});
    record.add(seconds);
    record.add(std::uint64_t{files.bytes});
    record.add(std::uint64_t{files.paths.size()});
    for (const std::filesystem::path &path : files.paths) record.addText(path.native());
    if (!record.sendTo(fd)) ::_exit(3);  // the parent has gone or given up: nothing to report to
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A worker's life: every `stride`th frame from `from`, the k-th into shared half k % 2 once this
// process has taken the frame that was there, two before it, each written by `write` before its
// record is sent.
[[noreturn]] void work(hostsim::Host &host, const FrameHandlers &handlers, int fd, const SharedPositions &shared, std::int64_t from,
                       std::int64_t last, std::int64_t stride) {
    try {
        std::uint64_t k = 0;
        for (std::int64_t frame = from; frame <= last; frame += stride, ++k) {
            const auto f = static_cast<std::int32_t>(frame);
            char taken = 0;
            if (k >= SharedPositions::halves && !readAll(fd, &taken, 1)) ::_exit(3);
            const std::uint64_t half = k % SharedPositions::halves;
            const auto started = std::chrono::steady_clock::now();
            const std::vector<hostsim::DisplacedObject> &objects = host.runFrameInto(f, shared.half(half));
            const double seconds = secondsSince(started);
            sendFrame(fd, f, half, objects, seconds, handlers.write(f, objects));
        }
    } catch (const formats::DiskFullError &e) {
        sendError(fd, RecordKind::diskFull, e.what());
        ::_exit(1);
    } catch (const std::exception &e) {
        sendError(fd, RecordKind::error, e.what());
        ::_exit(1);
    } catch (...) {
        sendError(fd, RecordKind::error, "unknown error");
        ::_exit(1);
    }
    ::_exit(0);
}

struct Worker {
    pid_t pid = -1;
    int fd = -1;  // this process's end of its socket
    std::unique_ptr<SharedPositions> shared;
};

// A frame as a worker's record gave it.
struct ReceivedFrame {
    std::int32_t frame = 0;
    std::uint64_t half = 0;
    std::vector<hostsim::DisplacedObject> objects;  // positions viewing the worker's shared memory
    double seconds = 0.0;
    WrittenFiles files;
};

enum class Reading { frame, error, diskFull, ended, garbled };

// Reads the next record from worker `w`: a frame into `got`, or an error's text into `what`.
Reading readRecord(Worker &w, ReceivedFrame &got, std::string &what) {
    RecordKind kind{};
    if (!readAll(w.fd, &kind, sizeof kind)) return Reading::ended;
    if (kind == RecordKind::error || kind == RecordKind::diskFull) {
        if (!readText(w.fd, what)) what.clear();
        return kind == RecordKind::error ? Reading::error : Reading::diskFull;
    }
    if (kind != RecordKind::frame) return Reading::garbled;
    std::uint64_t count = 0;
    if (!readAll(w.fd, &got.frame, sizeof got.frame) || !readAll(w.fd, &got.half, sizeof got.half) ||
        !readAll(w.fd, &count, sizeof count))
        return Reading::ended;
    if (got.half >= SharedPositions::halves || count > maxObjects) return Reading::garbled;
    got.objects.resize(count);
    const std::span<const hostsim::Position> shared = w.shared->half(got.half);
    std::size_t used = 0;
    for (hostsim::DisplacedObject &o : got.objects) {
        ObjectHeader header{};
        if (!readAll(w.fd, &header, sizeof header)) return Reading::ended;
        if (header.count > shared.size() - used) return Reading::garbled;
        o.displacement = header.displacement;
        o.object = header.object;
        o.instance = header.instance;
        o.positions = shared.subspan(used, header.count);
        used += header.count;
    }
    std::uint64_t bytes = 0;
    std::uint64_t files = 0;
    if (!readAll(w.fd, &got.seconds, sizeof got.seconds) || !readAll(w.fd, &bytes, sizeof bytes) || !readAll(w.fd, &files, sizeof files))
        return Reading::ended;
    if (files > maxFiles) return Reading::garbled;
    got.files.bytes = bytes;
    got.files.paths.clear();
    std::string path;
    for (std::uint64_t i = 0; i < files; ++i) {
        if (!readText(w.fd, path)) return Reading::ended;
        got.files.paths.emplace_back(path);
    }
    return Reading::frame;
}

// The workers of one call. However the call ends, each worker finishes the frame it is on and stops,
// and the files of the frames it wrote that were not handed on are removed.
class Workers {
public:
    Workers() = default;
    Workers(const Workers &) = delete;
    Workers &operator=(const Workers &) = delete;
    ~Workers() {
        for (Worker &w : workers_) stop(w);
    }

    // Worker k plays frames from + k * step, then every jobs * step frames on, each frame of at most
    // `positions` positions.
    void start(hostsim::Host &host, const FrameHandlers &handlers, std::int64_t from, std::int64_t last, std::int64_t step, unsigned jobs,
               std::size_t positions) {
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
                work(host, handlers, ends[1], *worker.shared, from + k * step, last, step * jobs);
            }
            ::close(ends[1]);
            worker.pid = pid;
            worker.fd = ends[0];
            workers_.push_back(std::move(worker));
        }
    }

    std::size_t size() const { return workers_.size(); }
    Worker &of(std::size_t k) { return workers_[k]; }

    // The next frame from worker `w`, which should be `frame`; a HostError saying why there is none.
    void receive(Worker &w, std::int32_t frame, ReceivedFrame &got) {
        const std::string where = "vistrelle run: frame " + std::to_string(frame) + ": ";
        std::string what;
        switch (readRecord(w, got, what)) {
        case Reading::frame:
            if (got.frame == frame) return;
            removeFiles(got.files.paths);
            break;
        case Reading::ended:
            throw hostsim::HostError(where + "the worker playing it " + stopped(w));
        case Reading::error:
            stopped(w);
            throw hostsim::HostError(what.empty() ? where + "the worker playing it failed" : what);
        case Reading::diskFull:
            stopped(w);
            throw formats::DiskFullError(what.empty() ? where + "the disk is full" : what);
        case Reading::garbled:
            break;
        }
        throw hostsim::HostError(where + "the worker playing it sent something else");
    }

    // Waits for a worker that has sent its last frame; HostError when it did not end well.
    void finish(Worker &w) {
        ::close(w.fd);
        w.fd = -1;
        const int status = reap(w);
        if (!(WIFEXITED(status) && WEXITSTATUS(status) == 0))
            throw hostsim::HostError("vistrelle run: a worker ended badly after its last frame");
    }

private:
    // Why a worker that sent nothing more stopped, as words.
    static std::string stopped(Worker &w) {
        const int status = reap(w);
        if (WIFSIGNALED(status)) return "stopped by signal " + std::to_string(WTERMSIG(status));
        return "stopped with status " + std::to_string(WEXITSTATUS(status));
    }

    // Tells worker `w` no more frames are taken: it stops once it is done with the frame it is on,
    // which it may still write and send. The files of every frame it sends are removed.
    static void stop(Worker &w) {
        if (w.fd >= 0) {
            ::shutdown(w.fd, SHUT_WR);
            ReceivedFrame got;
            std::string what;
            for (Reading r = readRecord(w, got, what); r != Reading::ended && r != Reading::garbled; r = readRecord(w, got, what))
                if (r == Reading::frame) removeFiles(got.files.paths);
            ::close(w.fd);
            w.fd = -1;
        }
        if (w.pid > 0) {
            ::kill(w.pid, SIGTERM);  // one that sent something garbled may not have stopped
            reap(w);
        }
    }

    static int reap(Worker &w) {
        int status = 0;
        while (w.pid > 0 && ::waitpid(w.pid, &status, 0) < 0 && errno == EINTR) {
        }
        w.pid = -1;
        return status;
    }

    std::vector<Worker> workers_;
};

// Tells worker `w` that its latest frame has been handed on: that half of its shared memory is free.
void release(Worker &w) {
    const char taken = 1;
    writeAll(w.fd, &taken, 1);  // a worker that has ended needs none: nothing to report
}

// Hands a played frame on; should the sink throw, the frame's files are removed first.
void handOn(const FrameHandlers &handlers, std::int32_t frame, const std::vector<hostsim::DisplacedObject> &objects,
            const WrittenFiles &files) {
    try {
        handlers.sink(frame, objects, files);
    } catch (...) {
        removeFiles(files.paths);
        throw;
    }
}

// Writes the files of a frame played here, then hands it on.
void writeAndHandOn(const FrameHandlers &handlers, std::int32_t frame, const std::vector<hostsim::DisplacedObject> &objects) {
    handOn(handlers, frame, objects, handlers.write(frame, objects));
}

}  // namespace

unsigned defaultJobs() {
    cpu_set_t set;
    if (::sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return static_cast<unsigned>(CPU_COUNT(&set));
    return std::max(1u, std::thread::hardware_concurrency());
}

double playFrames(hostsim::Host &host, std::int64_t first, std::int64_t last, std::int64_t step, unsigned jobs,
                  const FrameHandlers &handlers) {
    if (first > last || step < 1) return 0.0;
    const auto firstFrame = static_cast<std::int32_t>(first);
    auto started = std::chrono::steady_clock::now();
    std::vector<hostsim::DisplacedObject> played = host.runFrame(firstFrame);
    double seconds = secondsSince(started);
    handlers.settle();
    if (jobs <= 1) {
        writeAndHandOn(handlers, firstFrame, played);
        for (std::int64_t frame = first + step; frame <= last; frame += step) {
            started = std::chrono::steady_clock::now();
            played = host.runFrame(static_cast<std::int32_t>(frame));
            seconds += secondsSince(started);
            writeAndHandOn(handlers, static_cast<std::int32_t>(frame), played);
        }
        return seconds;
    }
    Workers workers;
    // Every later frame has as many positions as the first: the meshes stay.
    workers.start(host, handlers, first + step, last, step, jobs, pointCount(played));
    writeAndHandOn(handlers, firstFrame, played);
    const std::int64_t stride = step * jobs;
    double workerSeconds = 0.0;
    ReceivedFrame got;
    for (std::int64_t frame = first + step; frame <= last; frame += step) {
        const auto k = static_cast<std::size_t>(((frame - first) / step - 1) % jobs);
        const auto f = static_cast<std::int32_t>(frame);
        workers.receive(workers.of(k), f, got);
        workerSeconds += got.seconds;
        handOn(handlers, f, got.objects, got.files);
        if (frame + stride > last) workers.finish(workers.of(k));
        else release(workers.of(k));
    }
    return seconds + workerSeconds / static_cast<double>(std::max<std::size_t>(workers.size(), 1));
}

}  // namespace cli
