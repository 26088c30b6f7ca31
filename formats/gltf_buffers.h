// The buffers of a glTF document, read only from what the file declares: the .glb file's BIN chunk,
// a base64 data URI of exactly the declared length, or a regular file inside the glTF file's
// folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <vector>

#include "formats/gltf_fields.h"
#include "formats/point_budget.h"

namespace formats {

class GltfBuffers {
  public:
    // Reads every buffer of `root`. `binary` is the .glb BIN chunk, when there is one; `folder` the
    // glTF file's folder. The bytes of every buffer read, all together, are counted against
    // `budget` before each is read, and every file read is noted in it. Faults throw HostError
    // naming the file and the buffer.
    GltfBuffers(const nlohmann::json &root, std::optional<std::span<const unsigned char>> binary,
                const std::filesystem::path &folder, const GltfFields &fields, PointBudget &budget);

    std::uint64_t count() const { return spans_.size(); }
    // The bytes of buffer `index`, which is below count().
    std::span<const unsigned char> bytes(std::uint64_t index) const {
        return spans_[static_cast<std::size_t>(index)];
    }

  private:
    std::vector<std::vector<unsigned char>> owned_;
    std::vector<std::span<const unsigned char>> spans_;
};

// Checks the URI of every image the way buffer URIs are checked, without reading the images, and
// notes each image file in `budget`.
void checkImageUris(const nlohmann::json &root, const std::filesystem::path &folder,
                    const GltfFields &fields, PointBudget &budget);

}  // namespace formats
