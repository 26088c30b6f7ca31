// Where the parts of an animation .glb that GltfAnimationWriter wrote lie, so that a later writer
// can take its base mesh and its frames' offsets without computing anything again: the binary
// chunk holds the points, their normals, the texture coordinates (when there are any) and the
// triangles, then one block of offsets per frame, then the keys.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <span>

#include "formats/mesh_surface.h"

namespace formats {

struct GlbAnimationLayout {
    std::uint64_t points = 0;
    std::uint64_t corners = 0;  // three per triangle
    bool texcoords = false;
    std::uint64_t frames = 0;
};

// A .glb written with a known layout, read as untrusted input: the file must be a regular file
// whose container and binary chunk have exactly the sizes the layout gives, or it is refused in one
// line naming it; triangles that name a point beyond the mesh are refused too. Reads only what it
// is asked for, a block at a time.
class GlbAnimationParts {
  public:
    // Throws HostError "<file>: ..." when the file is not what `layout` says.
    GlbAnimationParts(const std::filesystem::path &file, const GlbAnimationLayout &layout);

    // The base mesh's points and surface; their memory is checked against the free memory first.
    Mesh baseMesh();
    MeshSurface surface();

    // Fills `into` with frame `frame`'s offsets from point `firstPoint` on.
    void readOffsets(std::uint64_t frame, std::uint64_t firstPoint,
                     std::span<std::array<float, 3>> into);

  private:
    void readAt(std::uint64_t offset, void *into, std::uint64_t bytes);

    std::filesystem::path file_;
    GlbAnimationLayout layout_;
    std::uint64_t binStart_ = 0;  // the file offset of the binary chunk's first byte
    std::ifstream in_;
};

}  // namespace formats
