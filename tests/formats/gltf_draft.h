// glTF files made by the tests: a card of four points with texture coordinates and six indices, in
// one buffer, written as .gltf (the buffer in a data URI, or beside it) or as .glb. A test spoils
// one number, URI or byte of the draft and reads the file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <vector>

namespace drafts {

struct GltfDraft {
    nlohmann::json json;
    std::vector<unsigned char>
        buffer;  // 48 bytes of points, 32 of texture coordinates, 12 of indices

    // The card: accessor 0 the points (bufferView 0), 1 the texture coordinates (view 1), 2 the
    // indices (view 2, unsigned shorts); mesh 0 has one primitive of them all.
    static GltfDraft card();

    // Sets point `i`'s coordinate `axis` in the buffer.
    void setCoordinate(std::size_t i, std::size_t axis, float value);
    // Sets index `i` in the buffer.
    void setIndex(std::size_t i, std::uint16_t value);

    // As .gltf: the buffer in a base64 data URI unless buffer 0 has a "uri" already.
    std::filesystem::path writeGltf(const std::filesystem::path &path) const;
    // As .glb: the buffer in the BIN chunk; buffer 0 must have no "uri".
    std::filesystem::path writeGlb(const std::filesystem::path &path) const;
    // The .glb file's bytes, for tests that spoil the container.
    std::vector<unsigned char> glbBytes() const;
};

// The base64 text of `bytes`.
std::string base64(const std::vector<unsigned char> &bytes);

}  // namespace drafts
