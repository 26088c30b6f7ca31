#include "plain_scene.h"

#include "hostsim/host_error.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <type_traits>

namespace platforms {
namespace {

constexpr char magic[8] = {'V', 'P', 'L', 'A', 'I', 'N', '1', '\n'};
// Larger counts than these are not a scene this tool made.
constexpr std::uint64_t maxCount = std::uint64_t{1} << 28;

class Writer {
  public:
    template <typename T>
    void put(T value) {
        static_assert(std::is_trivially_copyable_v<T>);
        const auto at = bytes.size();
        bytes.resize(at + sizeof value);
        std::memcpy(bytes.data() + at, &value, sizeof value);
    }
    void text(const std::string &value) {
        put<std::uint64_t>(value.size());
        for (const char c : value) put(c);
    }
    std::vector<std::byte> bytes;
};

class Reader {
  public:
    Reader(const std::vector<std::byte> &bytes, const std::filesystem::path &path)
        : bytes_(bytes), path_(path) {}
    template <typename T>
    T get() {
        T value{};
        if (sizeof value > bytes_.size() - at_)
            throw hostsim::HostError::at(path_,
                                         "plain scene cut short at byte " + std::to_string(at_));
        std::memcpy(&value, bytes_.data() + at_, sizeof value);
        at_ += sizeof value;
        return value;
    }
    std::uint64_t count() {
        const auto n = get<std::uint64_t>();
        if (n > maxCount || n > bytes_.size() - at_)
            throw hostsim::HostError::at(path_,
                                         "plain scene count " + std::to_string(n) + " too large");
        return n;
    }
    std::string text() {
        std::string value(static_cast<std::size_t>(count()), '\0');
        for (char &c : value) c = get<char>();
        return value;
    }
    bool done() const { return at_ == bytes_.size(); }

  private:
    const std::vector<std::byte> &bytes_;
    const std::filesystem::path &path_;
    std::size_t at_ = 0;
};

}  // namespace

std::vector<std::byte> plainBytes(const hostsim::Scene &scene) {
    Writer out;
    for (const char c : magic) out.put(c);
    out.put<std::uint64_t>(scene.items.size());
    for (const hostsim::Item &item : scene.items) {
        out.text(item.name);
        out.put<std::uint64_t>(item.motion.keys.size());
        for (const hostsim::PositionKey &key : item.motion.keys) {
            out.put(key.time);
            out.put(key.position.x), out.put(key.position.y), out.put(key.position.z);
        }
        out.put<std::uint8_t>(item.mesh.has_value());
        if (!item.mesh) continue;
        out.put<std::uint64_t>(item.mesh->points.size());
        for (const auto &point : item.mesh->points) out.put(point);
    }
    out.put(scene.frames.start), out.put(scene.frames.end), out.put(scene.frames.framesPerSecond);
    out.put<std::uint64_t>(scene.displacements.size());
    for (const hostsim::Displacement &displacement : scene.displacements) {
        out.put<std::uint64_t>(displacement.item);
        out.text(displacement.server);
        out.put<std::uint8_t>(displacement.data.has_value());
        if (!displacement.data) continue;
        out.put<std::uint64_t>(displacement.data->size());
        for (const std::int32_t value : *displacement.data) out.put(value);
    }
    return std::move(out.bytes);
}

hostsim::Scene sceneOfPlainBytes(const std::vector<std::byte> &bytes,
                                 const std::filesystem::path &path) {
    Reader in(bytes, path);
    for (const char c : magic)
        if (in.get<char>() != c) throw hostsim::HostError::at(path, "not a plain scene");
    hostsim::Scene scene;
    scene.items.resize(static_cast<std::size_t>(in.count()));
    for (hostsim::Item &item : scene.items) {
        item.name = in.text();
        item.motion.keys.resize(static_cast<std::size_t>(in.count()));
        for (hostsim::PositionKey &key : item.motion.keys) {
            key.time = in.get<double>();
            key.position.x = in.get<double>(), key.position.y = in.get<double>(),
            key.position.z = in.get<double>();
        }
        if (in.get<std::uint8_t>() == 0) continue;
        item.mesh.emplace();
        item.mesh->points.resize(static_cast<std::size_t>(in.count()));
        for (auto &point : item.mesh->points) point = in.get<std::array<float, 3>>();
    }
    scene.frames.start = in.get<std::int32_t>(), scene.frames.end = in.get<std::int32_t>();
    scene.frames.framesPerSecond = in.get<double>();
    scene.displacements.resize(static_cast<std::size_t>(in.count()));
    for (hostsim::Displacement &displacement : scene.displacements) {
        displacement.item = static_cast<std::size_t>(in.get<std::uint64_t>());
        if (displacement.item >= scene.items.size())
            throw hostsim::HostError::at(path, "plain scene displacement of a missing item");
        displacement.server = in.text();
        if (in.get<std::uint8_t>() == 0) continue;
        displacement.data.emplace(static_cast<std::size_t>(in.count()));
        for (std::int32_t &value : *displacement.data) value = in.get<std::int32_t>();
    }
    if (!in.done()) throw hostsim::HostError::at(path, "plain scene has bytes after its end");
    return scene;
}

std::vector<std::byte> readBytes(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw hostsim::HostError::at(path, "cannot read");
    std::vector<std::byte> bytes;
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        const auto *begin = reinterpret_cast<const std::byte *>(buffer);
        bytes.insert(bytes.end(), begin, begin + in.gcount());
    }
    return bytes;
}

void writeBytes(const std::filesystem::path &path, const std::vector<std::byte> &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw hostsim::HostError::at(path, "cannot write");
}

}  // namespace platforms
