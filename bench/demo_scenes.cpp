#include "bench/demo_scenes.h"

#include <algorithm>
#include <memory>
#include <string>
#include <utility>

#include "cli/bush_maker.h"
#include "formats/obj_document.h"
#include "hostsim/host_error.h"

namespace bench {

DemoScenes::DemoScenes(std::filesystem::path folder, std::filesystem::path module)
    : folder_(std::move(folder)), module_(std::move(module)) {}

const hostsim::Scene &DemoScenes::withPoints(std::size_t points) {
    if (const auto found = scenes_.find(points); found != scenes_.end()) return found->second;
    // Made and read in memory: the OBJ text the demo writes, parsed as the OBJ reader parses a
    // file, under the name the file would have.
    const std::filesystem::path file = folder_ / ("bush-" + std::to_string(points) + ".obj");
    hostsim::Scene scene = cli::bushScene(file);
    if (scene.items.size() != 2 || scene.items[cameraItem].name != "Camera" ||
        scene.items[bushItem].name != "Bush")
        throw hostsim::HostError(
            "cli/bush_maker.cpp: expected the demo scene's items \"Camera\" then \"Bush\"");
    auto document = std::make_shared<const formats::ObjDocument>(formats::ObjDocument::parse(
        cli::bushObjText({7, static_cast<int>(points / 4)}), file.string()));
    hostsim::Mesh mesh;
    mesh.points = document->points();
    mesh.sourceFile = file.string();
    mesh.obj = std::move(document);
    scene.items[bushItem].mesh = std::move(mesh);
    return scenes_.emplace(points, std::move(scene)).first->second;
}

std::int32_t DemoScenes::frameOf(const hostsim::FrameRange &frames, std::int64_t iteration) {
    const std::int64_t count =
        std::max<std::int64_t>(1, std::int64_t{frames.end} - frames.start + 1);
    return frames.start + static_cast<std::int32_t>(iteration % count);
}

}  // namespace bench
