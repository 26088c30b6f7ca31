// An OBJ document's faces and texture coordinates in the form of one vertex per point, as glTF
// needs.
#include "formats/obj_document.h"

namespace formats {

std::vector<std::uint32_t> ObjDocument::triangles() const {
    std::vector<std::uint32_t> out;
    for (std::size_t f = 0; f < faceStarts_.size(); ++f) {
        const std::size_t begin = faceStarts_[f];
        const std::size_t end = f + 1 < faceStarts_.size() ? faceStarts_[f + 1] : corners_.size();
        for (std::size_t c = begin + 1; c + 1 < end; ++c) {
            out.push_back(static_cast<std::uint32_t>(corners_[begin].point));
            out.push_back(static_cast<std::uint32_t>(corners_[c].point));
            out.push_back(static_cast<std::uint32_t>(corners_[c + 1].point));
        }
    }
    return out;
}

std::vector<std::array<float, 2>> ObjDocument::pointTexcoords() const {
    std::vector<std::array<float, 2>> out;
    std::vector<bool> given;
    for (const Corner &corner : corners_) {
        if (corner.texture == noNormal || corner.texture >= texturePoints_.size()) continue;
        if (out.empty()) {
            out.assign(points_.size(), {0.0f, 0.0f});
            given.assign(points_.size(), false);
        }
        if (given[corner.point]) continue;
        given[corner.point] = true;
        out[corner.point] = texturePoints_[corner.texture];
    }
    return out;
}

}  // namespace formats
