// A session over a scene file, where the build reads them.
#include "capi/session.h"

#include "formats/scene_file.h"

namespace capi {

std::unique_ptr<Session> Session::fromScene(const std::filesystem::path &modulePath,
                                            const std::filesystem::path &sceneFile) {
    hostsim::Scene scene = formats::readSceneFile(sceneFile);
    return std::make_unique<Session>(std::make_unique<hostsim::Host>(modulePath, std::move(scene)));
}

}  // namespace capi
