// Writing one object's OBJ file and picture of one frame.
#include "cli/frame_outputs.h"

#include "cli/output_names.h"
#include "formats/obj_mesh.h"
#include "formats/svg_picture.h"
#include "formats/text/text_file.h"
#include "host/vistrelle_contract.h"

#include <string>
#include <utility>

namespace cli {

namespace fs = std::filesystem;

FrameOutputs::FrameOutputs(fs::path out, OutputChoice choice, int digits)
    : out_(std::move(out)), choice_(choice), digits_(digits) {}

fs::path FrameOutputs::picturePath(const RunObject &object, std::int32_t frame) const {
    return out_ / (object.stem + '.' + frameLabel(frame, digits_) + ".svg");
}

WrittenFiles FrameOutputs::write(const RunObject &object, std::int32_t frame,
                                 std::span<const hostsim::Position> positions,
                                 std::optional<hostsim::Point3> targetPosition) const {
    WrittenFiles written;
    try {
        if (choice_.obj) {
            const fs::path file = out_ / (object.stem + '.' + frameLabel(frame, digits_) + ".obj");
            written.bytes += formats::writeObjMesh(file, *object.mesh, positions);
            written.paths.push_back(file);
        }
        if (choice_.svg) {
            formats::SvgFrame picture;
            picture.base = object.mesh->points;
            picture.displaced = positions;
            picture.leafSize = object.settings.leafPoints;
            picture.pivotRule = pivotRuleOf(object.settings);
            if (object.target && targetPosition) {
                picture.targetName = object.target->name;
                picture.targetPosition = targetPosition;
            }
            picture.frame = frame;
            picture.caption = object.name + ": " + object.settings.caption;
            picture.camera = object.camera;
            const std::string text = formats::renderSvg(picture);
            formats::replaceFile(picturePath(object, frame), text);
            written.paths.push_back(picturePath(object, frame));
            written.bytes += text.size();
        }
    } catch (...) {
        removeFiles(written.paths);
        throw;
    }
    return written;
}

}  // namespace cli
