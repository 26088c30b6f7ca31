// Reading glTF buffers: the byteLength is checked against what is there before anything is
// allocated.
#include "formats/gltf_buffers.h"

#include <limits>
#include <optional>

#include "formats/data_uri.h"
#include "formats/shown_text.h"
#include "formats/text/text_file.h"
#include "formats/uri_path.h"

namespace formats {

namespace fs = std::filesystem;
namespace {

// The first `length` bytes of `file`, which must be a regular file holding at least that many.
std::vector<unsigned char> fileBytes(const fs::path &file, std::uint64_t length,
                                     const std::string &where, const GltfFields &fields,
                                     PointBudget &budget) {
    std::optional<InputFile> in;
    try {
        in.emplace(file);
    } catch (const hostsim::HostError &error) {
        fields.fail(where, error.what());
    }
    if (in->size() < length)
        fields.fail(where, shownInput(file.filename().string()) + " holds " +
                               std::to_string(in->size()) + " bytes, but byteLength declares " +
                               std::to_string(length));
    budget.takeBytes(fields.file() + ": " + where, length);
    budget.noteFile(file, "a glTF buffer");
    std::vector<unsigned char> bytes(static_cast<std::size_t>(length));
    if (in->read(reinterpret_cast<char *>(bytes.data()), bytes.size()) != bytes.size()) {
        fields.fail(where, "cannot read " + std::to_string(length) + " bytes from " +
                               shownInput(file.filename().string()));
    }
    return bytes;
}

}  // namespace

GltfBuffers::GltfBuffers(const nlohmann::json &root,
                         std::optional<std::span<const unsigned char>> binary,
                         const fs::path &folder, const GltfFields &fields, PointBudget &budget) {
    const nlohmann::json &buffers = fields.array(root, "buffers", "");
    owned_.reserve(buffers.size());
    for (std::uint64_t i = 0; i < buffers.size(); ++i) {
        const nlohmann::json &buffer = fields.entry(root, "buffers", "buffer", i);
        const std::string where = "buffer " + std::to_string(i);
        const std::uint64_t length = fields.whole(buffer, "byteLength", where);
        const std::optional<std::string> uri = fields.optionalText(buffer, "uri", where);
        if (!uri) {
            if (i != 0 || !binary)
                fields.fail(where,
                            "has no uri, and only the first buffer of a .glb file may lie in its "
                            "BIN chunk");
            if (length > binary->size()) {
                fields.fail(where, "byteLength " + std::to_string(length) +
                                       " is more than the BIN chunk's " +
                                       std::to_string(binary->size()) + " bytes");
            }
            spans_.push_back(binary->first(static_cast<std::size_t>(length)));
            continue;
        }
        if (isDataUri(*uri)) {
            budget.takeBytes(fields.file() + ": " + where, length);
            owned_.push_back(dataUriBytes(*uri, length, fields.file() + ": " + where));
        } else {
            owned_.push_back(fileBytes(fileInFolder(*uri, folder, fields.file() + ": " + where),
                                       length, where, fields, budget));
        }
        spans_.push_back(owned_.back());
    }
}

void checkImageUris(const nlohmann::json &root, const fs::path &folder, const GltfFields &fields,
                    PointBudget &budget) {
    const nlohmann::json &images = fields.array(root, "images", "");
    for (std::uint64_t i = 0; i < images.size(); ++i) {
        const std::string where = "image " + std::to_string(i);
        const std::optional<std::string> uri =
            fields.optionalText(fields.entry(root, "images", "image", i), "uri", where);
        if (!uri) continue;
        if (isDataUri(*uri))
            dataUriBytes(*uri, std::nullopt, fields.file() + ": " + where);
        else
            budget.noteFile(fileInFolder(*uri, folder, fields.file() + ": " + where),
                            "a glTF image");
    }
}

}  // namespace formats
