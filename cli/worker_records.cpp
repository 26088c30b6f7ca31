// Writing and reading the records of worker processes.
#include "cli/worker_records.h"

#include <cstring>
#include <filesystem>

namespace cli {
namespace {

// One displaced object of a frame record: its place in the host's lists and how many of the shared
// positions are its own, in order after those of the objects before it.
struct ObjectHeader {
    std::uint64_t displacement;
    ItemId object;
    void *instance;  // addresses of the forked copy, the same as this process's (not on Windows)
    std::uint64_t count;
};

// Limits on what a record may hold, so that a garbled one is refused rather than believed.
constexpr std::uint64_t maxObjects = 1u << 20;
constexpr std::uint64_t maxFiles = 1u << 16;
constexpr std::uint64_t maxText = 1u << 20;

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

// A path's own characters as bytes (UTF-16 on Windows), so that it comes back as it was.
std::string_view pathBytes(const std::filesystem::path &path) {
    const std::filesystem::path::string_type &native = path.native();
    return {reinterpret_cast<const char *>(native.data()),
            native.size() * sizeof(std::filesystem::path::value_type)};
}

std::filesystem::path bytesPath(const std::string &bytes) {
    std::filesystem::path::string_type native(
        bytes.size() / sizeof(std::filesystem::path::value_type), {});
    std::memcpy(native.data(), bytes.data(), native.size() * sizeof native[0]);
    return native;
}

// Text of at most maxText bytes as addText sent it; false when the stream ends or it is too long.
bool readText(int fd, std::string &text, void (*interrupted)()) {
    std::uint64_t size = 0;
    if (!readAll(fd, &size, sizeof size, interrupted) || size > maxText) return false;
    text.resize(static_cast<std::size_t>(size));
    return readAll(fd, text.data(), text.size(), interrupted);
}

}  // namespace

void sendError(int fd, RecordKind kind, const std::string &what) {
    RecordText record;
    record.add(kind);
    record.addText(what);
    record.sendTo(fd);
}

bool sendFrame(int fd, std::int32_t frame, std::uint64_t half,
               const std::vector<hostsim::DisplacedObject> &objects, double seconds,
               const WrittenFiles &files) {
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
    for (const std::filesystem::path &path : files.paths) record.addText(pathBytes(path));
    return record.sendTo(fd);
}

Reading readRecord(int fd, const SharedPositions &sharedPositions, ReceivedFrame &got,
                   std::string &what, void (*interrupted)()) {
    RecordKind kind{};
    if (!readAll(fd, &kind, sizeof kind, interrupted)) return Reading::ended;
    if (kind == RecordKind::error || kind == RecordKind::diskFull) {
        if (!readText(fd, what, interrupted)) what.clear();
        return kind == RecordKind::error ? Reading::error : Reading::diskFull;
    }
    if (kind != RecordKind::frame) return Reading::garbled;
    std::uint64_t count = 0;
    if (!readAll(fd, &got.frame, sizeof got.frame, interrupted) ||
        !readAll(fd, &got.half, sizeof got.half, interrupted) ||
        !readAll(fd, &count, sizeof count, interrupted))
        return Reading::ended;
    if (got.half >= SharedPositions::halves || count > maxObjects) return Reading::garbled;
    got.objects.resize(static_cast<std::size_t>(count));
    const std::span<const hostsim::Position> shared = sharedPositions.half(got.half);
    std::size_t used = 0;
    for (hostsim::DisplacedObject &o : got.objects) {
        ObjectHeader header{};
        if (!readAll(fd, &header, sizeof header, interrupted)) return Reading::ended;
        if (header.count > shared.size() - used) return Reading::garbled;
        o.displacement = static_cast<std::size_t>(header.displacement);
        o.object = header.object;
        o.instance = header.instance;
        o.positions = shared.subspan(used, static_cast<std::size_t>(header.count));
        used += static_cast<std::size_t>(header.count);
    }
    std::uint64_t bytes = 0;
    std::uint64_t files = 0;
    if (!readAll(fd, &got.seconds, sizeof got.seconds, interrupted) ||
        !readAll(fd, &bytes, sizeof bytes, interrupted) ||
        !readAll(fd, &files, sizeof files, interrupted))
        return Reading::ended;
    if (files > maxFiles) return Reading::garbled;
    got.files.bytes = bytes;
    got.files.paths.clear();
    std::string path;
    for (std::uint64_t i = 0; i < files; ++i) {
        if (!readText(fd, path, interrupted)) return Reading::ended;
        got.files.paths.push_back(bytesPath(path));
    }
    return Reading::frame;
}

}  // namespace cli
