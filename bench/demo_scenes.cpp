#include "bench/demo_scenes.h"

#include <algorithm>
#include <fstream>
#include <string>
#include <utility>

#include "cli/bush_maker.h"
#include "formats/obj_mesh.h"
#include "hostsim/host_error.h"

namespace bench {

DemoScenes::DemoScenes(std::filesystem::path folder, std::filesystem::path module)
    : folder_(std::move(folder)), module_(std::move(module)) {}

const hostsim::Scene &DemoScenes::withPoints(std::size_t points) {
    if (const auto found = scenes_.find(points); found != scenes_.end()) return found->second;
    const std::filesystem::path file = folder_ / ("bush-" + std::to_string(points) + ".obj");
    {
        std::ofstream out(file, std::ios::binary);
        out << cli::bushObjText({7, static_cast<int>(points / 4)});
        if (!out.flush()) throw hostsim::HostError(file.string() + ": cannot write the bush");
    }
    hostsim::Scene scene = cli::bushScene(file);
    if (scene.items.size() != 2 || scene.items[cameraItem].name != "Camera" ||
        scene.items[bushItem].name != "Bush")
        throw hostsim::HostError(
            "cli/bush_maker.cpp: expected the demo scene's items \"Camera\" then \"Bush\"");
    scene.items[bushItem].mesh = formats::readObjMesh(file);
    return scenes_.emplace(points, std::move(scene)).first->second;
}

std::int32_t DemoScenes::frameOf(const hostsim::FrameRange &frames, std::int64_t iteration) {
    const std::int64_t count =
        std::max<std::int64_t>(1, std::int64_t{frames.end} - frames.start + 1);
    return frames.start + static_cast<std::int32_t>(iteration % count);
}

}  // namespace bench
