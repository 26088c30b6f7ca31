// Writing one object's OBJ file and picture of one frame.
#include "cli/frame_outputs.h"

#include "cli/output_names.h"
#include "formats/obj_mesh.h"
#include "formats/svg_picture.h"
#include "formats/text_file.h"

#include <string>
#include <system_error>
#include <utility>

namespace cli {

namespace fs = std::filesystem;

FrameOutputs::FrameOutputs(fs::path out, OutputChoice choice, int digits)
    : out_(std::move(out)), choice_(choice), digits_(digits) {}

std::vector<fs::path> FrameOutputs::write(RunObject &object, std::int32_t frame, std::span<const hostsim::Position> positions,
                                          std::optional<hostsim::Point3> targetPosition) {
    const std::string base = object.stem + '.' + frameLabel(frame, digits_);
    std::vector<fs::path> written;
    try {
        if (choice_.obj) {
            bytes_ += formats::writeObjMesh(out_ / (base + ".obj"), *object.mesh, positions);
            written.push_back(out_ / (base + ".obj"));
        }
        if (choice_.svg) {
            formats::SvgFrame picture;
            picture.base = object.mesh->points;
            picture.displaced = positions;
            picture.leafSize = object.settings.leafPoints;
            picture.pivotRule = object.settings.saved.size() > 2 ? object.settings.saved[2] : 0;
            if (object.target && targetPosition) {
                picture.targetName = object.target->name;
                picture.targetPosition = targetPosition;
            }
            picture.frame = frame;
            picture.caption = object.name + ": " + object.settings.caption;
            picture.camera = object.camera;
            const std::string text = formats::renderSvg(picture);
            formats::replaceFile(out_ / (base + ".svg"), text);
            written.push_back(out_ / (base + ".svg"));
            object.pictures.push_back(written.back());
            bytes_ += text.size();
        }
    } catch (...) {
        removeFiles(written);
        throw;
    }
    return written;
}

void removeFiles(std::span<const fs::path> files) {
    for (const fs::path &file : files) {
        std::error_code ignored;
        fs::remove(file, ignored);
    }
}

}  // namespace cli
