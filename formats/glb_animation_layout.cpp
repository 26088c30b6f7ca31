// Reading back the parts of an animation .glb by its known layout, every size checked first.
#include "formats/glb_animation_layout.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <system_error>
#include <vector>

#include "formats/point_budget.h"
#include "hostsim/host_error.h"

namespace formats {

using hostsim::HostError;
namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t pointBytes = 12;  // three floats
constexpr std::uint64_t mostBytes = std::numeric_limits<std::uint32_t>::max();

std::uint64_t headBytes(const GlbAnimationLayout &layout) {
    return layout.points * (2 * pointBytes + (layout.texcoords ? 8 : 0)) + layout.corners * 4;
}

// The binary chunk's length the layout gives; every count is first held to what 4 GiB can hold,
// so that nothing overflows.
std::uint64_t binaryBytes(const GlbAnimationLayout &layout, const fs::path &file) {
    if (layout.points > mostBytes / 32 || layout.corners > mostBytes / 4 || layout.frames > 32768 ||
        layout.frames * layout.points > mostBytes / pointBytes)
        throw HostError::at(file, "its stated layout cannot fit in a .glb");
    const std::uint64_t frames = layout.frames;
    return headBytes(layout) + frames * layout.points * pointBytes +
           (frames == 0 ? 0 : 4 * frames + 4 * frames * frames);
}

std::uint32_t word(const unsigned char *bytes) {
    return bytes[0] | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
           std::uint32_t{bytes[3]} << 24;
}

}  // namespace

GlbAnimationParts::GlbAnimationParts(const fs::path &file, const GlbAnimationLayout &layout)
    : file_(file), layout_(layout) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(file, error);
    if (error || !fs::is_regular_file(status))
        throw HostError::at(file, "expected a regular file (not a link) written by vistrelle run");
    const std::uint64_t size = fs::file_size(file, error);
    if (error) throw HostError::at(file, "cannot read: " + error.message());
    const std::uint64_t binary = binaryBytes(layout, file);
    in_.open(file, std::ios::binary);
    if (!in_) throw HostError::at(file, "cannot read it");
    unsigned char head[20];
    if (size < sizeof head) throw HostError::at(file, "too short for a .glb");
    readAt(0, head, sizeof head);
    const std::uint64_t json = word(head + 12);
    const std::uint64_t expected = 20 + json + (binary != 0 ? 8 + binary : 0);
    if (word(head) != 0x46546C67 || word(head + 4) != 2 || word(head + 8) != size ||
        word(head + 16) != 0x4E4F534A || json % 4 != 0 || expected != size)
        throw HostError::at(
            file, "not the .glb its run record describes (" + std::to_string(size) + " bytes)");
    if (binary == 0) return;
    unsigned char chunk[8];
    readAt(20 + json, chunk, sizeof chunk);
    if (word(chunk) != binary || word(chunk + 4) != 0x004E4942)
        throw HostError::at(file, "not the .glb its run record describes (its binary chunk)");
    binStart_ = 28 + json;
}

void GlbAnimationParts::readAt(std::uint64_t offset, void *into, std::uint64_t bytes) {
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(offset));
    in_.read(static_cast<char *>(into), static_cast<std::streamsize>(bytes));
    if (!in_ || static_cast<std::uint64_t>(in_.gcount()) != bytes)
        throw HostError::at(file_, "cannot read " + std::to_string(bytes) + " bytes at byte " +
                                       std::to_string(offset));
}

Mesh GlbAnimationParts::baseMesh() {
    const std::uint64_t bytes = layout_.points * pointBytes;
    if (bytes > freeMemoryBytes())
        throw HostError::at(file_, "its points need more memory than is free");
    Mesh mesh;
    mesh.points.resize(static_cast<std::size_t>(layout_.points));
    if (bytes != 0) readAt(binStart_, mesh.points.data(), bytes);
    return mesh;
}

MeshSurface GlbAnimationParts::surface() {
    const std::uint64_t bytes = layout_.corners * 4 + (layout_.texcoords ? layout_.points * 8 : 0);
    if (bytes > freeMemoryBytes())
        throw HostError::at(file_, "its surface needs more memory than is free");
    MeshSurface surface;
    std::uint64_t at = binStart_ + 2 * pointBytes * layout_.points;
    if (layout_.texcoords) {
        surface.texcoords.resize(static_cast<std::size_t>(layout_.points));
        readAt(at, surface.texcoords.data(), layout_.points * 8);
        at += layout_.points * 8;
    }
    surface.triangles.resize(static_cast<std::size_t>(layout_.corners));
    if (layout_.corners != 0) readAt(at, surface.triangles.data(), layout_.corners * 4);
    if (std::any_of(surface.triangles.begin(), surface.triangles.end(),
                    [&](std::uint32_t corner) { return corner >= layout_.points; }))
        throw HostError::at(file_, "a triangle names a point beyond the mesh");
    return surface;
}

void GlbAnimationParts::readOffsets(std::uint64_t frame, std::uint64_t firstPoint,
                                    std::span<std::array<float, 3>> into) {
    if (frame >= layout_.frames || firstPoint > layout_.points ||
        into.size() > layout_.points - firstPoint)
        throw HostError::at(file_, "no such frame or point in it");
    readAt(binStart_ + headBytes(layout_) + (frame * layout_.points + firstPoint) * pointBytes,
           into.data(), into.size() * pointBytes);
}

}  // namespace formats
