// glTF 2.0 output: one .glb per mesh, either one turned shape or the turned shapes of every frame
// of a run as an animation. Written through tinygltf.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "formats/glb_animation_layout.h"
#include "formats/mesh_surface.h"
#include "formats/text/scratch_file.h"
#include "hostsim/scene.h"

namespace formats {

using hostsim::Mesh;

// Collects the frames of one object and writes them as a .glb: the base mesh (its points in point
// order as POSITION, triangles, TEXCOORD_0 when the mesh has them, normals of the base) with one
// morph target per frame and an animation of the morph weights keyed by STEP, so that at each
// frame's time exactly that frame's shape shows. The material is double-sided, since turned cards
// show either side. Each morph offset is chosen so that base + offset, added in float as engines
// do, gives the turned float exactly wherever some float offset can, and otherwise the float next
// to it.
class GltfAnimationWriter {
  public:
    // The frames' offsets are spooled to a temporary file beside `output` (the .glb it will write,
    // named "<output>.tmp-offsets-<random>"), removed when the writer goes: memory does not
    // grow with the number of frames.
    GltfAnimationWriter(const Mesh &base, MeshSurface surface, std::string name,
                        const std::filesystem::path &output);
    // The same with the faces made only when the file is written, so that the run does not hold
    // them meanwhile.
    GltfAnimationWriter(const Mesh &base, std::function<MeshSurface()> surface, std::string name,
                        const std::filesystem::path &output);
    ~GltfAnimationWriter();
    GltfAnimationWriter(const GltfAnimationWriter &) = delete;
    GltfAnimationWriter &operator=(const GltfAnimationWriter &) = delete;

    // The turned points of one frame (one per point), the frame's number (its morph target is
    // named "frame <number>") and its time in seconds. Throws HostError when the number of points
    // is not the mesh's or the spool cannot be written.
    void addFrame(std::int32_t frame, double seconds, std::span<const hostsim::Position> displaced);
    // A frame given by its offsets as an earlier writer wrote them: `read` fills each block it is
    // handed with the next offsets, one per point, in point order.
    void addOffsets(std::int32_t frame, double seconds,
                    const std::function<void(std::span<std::array<float, 3>>)> &read);
    std::size_t frames() const { return times_.size(); }

    // Writes the .glb, its morph targets copied from the spool; answers its layout. Throws
    // HostError when it cannot, or when the file would pass the 4 GiB a .glb can hold.
    GlbAnimationLayout write(const std::filesystem::path &path) const;

  private:
    // The bounds of one frame's offsets, as its accessor states them.
    struct Bounds {
        std::array<double, 3> min, max;
    };

    const Mesh &base_;
    std::function<MeshSurface()> surface_;
    std::string name_;
    std::filesystem::path spoolBeside_;   // the .glb's file, beside which the spool is made
    std::unique_ptr<ScratchFile> spool_;  // made at the first frame
    // Appends one frame's offsets, a block at a time from `fill`, with its bounds.
    void spoolFrame(
        std::int32_t frame, double seconds,
        const std::function<void(std::size_t first, std::span<std::array<float, 3>>)> &fill);

    std::vector<std::int32_t> numbers_;
    std::vector<float> times_;
    std::vector<Bounds> bounds_;
};

// Writes one turned mesh as a .glb: POSITION holds the turned points, normals are those of the
// turned shape. Throws HostError when the number of points is not the mesh's or the file cannot be
// written.
void writeGltfMesh(const std::filesystem::path &path, const Mesh &base, const MeshSurface &surface,
                   std::span<const hostsim::Position> displaced, const std::string &name);

}  // namespace formats
