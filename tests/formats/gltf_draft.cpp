// The glTF files of the tests, written byte by byte from the draft.
#include "gltf_draft.h"

#include <array>
#include <cstring>
#include <fstream>

namespace drafts {

namespace {

void append32(std::vector<unsigned char> &out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<unsigned char>(value >> shift));
}

void writeBytes(const std::filesystem::path &path, const std::vector<unsigned char> &bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

std::string base64(const std::vector<unsigned char> &bytes) {
    static constexpr char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::uint32_t group = std::uint32_t{bytes[i]} << 16;
        if (i + 1 < bytes.size()) group |= std::uint32_t{bytes[i + 1]} << 8;
        if (i + 2 < bytes.size()) group |= bytes[i + 2];
        out += alphabet[group >> 18 & 63];
        out += alphabet[group >> 12 & 63];
        out += i + 1 < bytes.size() ? alphabet[group >> 6 & 63] : '=';
        out += i + 2 < bytes.size() ? alphabet[group & 63] : '=';
    }
    return out;
}

GltfDraft GltfDraft::card() {
    GltfDraft draft;
    const std::array<float, 12> points{0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    const std::array<float, 8> uvs{0, 0, 1, 0, 1, 1, 0, 1};
    const std::array<std::uint16_t, 6> indices{0, 1, 2, 0, 2, 3};
    draft.buffer.resize(92);
    std::memcpy(draft.buffer.data(), points.data(), 48);
    std::memcpy(draft.buffer.data() + 48, uvs.data(), 32);
    std::memcpy(draft.buffer.data() + 80, indices.data(), 12);
    draft.json = {
        {"asset", {{"version", "2.0"}}},
        {"buffers", {{{"byteLength", 92}}}},
        {"bufferViews",
         {{{"buffer", 0}, {"byteOffset", 0}, {"byteLength", 48}},
          {{"buffer", 0}, {"byteOffset", 48}, {"byteLength", 32}},
          {{"buffer", 0}, {"byteOffset", 80}, {"byteLength", 12}}}},
        {"accessors",
         {{{"bufferView", 0}, {"componentType", 5126}, {"count", 4}, {"type", "VEC3"}},
          {{"bufferView", 1}, {"componentType", 5126}, {"count", 4}, {"type", "VEC2"}},
          {{"bufferView", 2}, {"componentType", 5123}, {"count", 6}, {"type", "SCALAR"}}}},
        {"meshes",
         {{{"primitives",
            {{{"attributes", {{"POSITION", 0}, {"TEXCOORD_0", 1}}},
              {"indices", 2},
              {"mode", 4}}}}}}},
    };
    return draft;
}

void GltfDraft::setCoordinate(std::size_t i, std::size_t axis, float value) {
    std::memcpy(buffer.data() + 12 * i + 4 * axis, &value, 4);
}

void GltfDraft::setIndex(std::size_t i, std::uint16_t value) {
    std::memcpy(buffer.data() + 80 + 2 * i, &value, 2);
}

std::filesystem::path GltfDraft::writeGltf(const std::filesystem::path &path) const {
    nlohmann::json document = json;
    if (!document["buffers"][0].contains("uri"))
        document["buffers"][0]["uri"] = "data:application/octet-stream;base64," + base64(buffer);
    std::ofstream(path) << document.dump();
    return path;
}

std::vector<unsigned char> GltfDraft::glbBytes() const {
    std::string text = json.dump();
    text.resize((text.size() + 3) / 4 * 4, ' ');
    std::vector<unsigned char> binary = buffer;
    binary.resize((binary.size() + 3) / 4 * 4, 0);
    std::vector<unsigned char> out;
    append32(out, 0x46546C67);
    append32(out, 2);
    append32(out, static_cast<std::uint32_t>(12 + 8 + text.size() + 8 + binary.size()));
    append32(out, static_cast<std::uint32_t>(text.size()));
    append32(out, 0x4E4F534A);
    out.insert(out.end(), text.begin(), text.end());
    append32(out, static_cast<std::uint32_t>(binary.size()));
    append32(out, 0x004E4942);
    out.insert(out.end(), binary.begin(), binary.end());
    return out;
}

std::filesystem::path GltfDraft::writeGlb(const std::filesystem::path &path) const {
    writeBytes(path, glbBytes());
    return path;
}

}  // namespace drafts
