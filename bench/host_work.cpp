#include "bench/host_work.h"

#include "bench/demo_scenes.h"

namespace bench {

namespace {

// What the module's scan asks of the host for one point, and nothing else.
struct PositionFetch {
    MeshHandle *mesh;
    float position[3];
};

extern "C" std::int32_t fetchPosition(void *data, PointId point) {
    auto *fetch = static_cast<PositionFetch *>(data);
    fetch->mesh->meshPointPosition(fetch->mesh, point, fetch->position);
    return 0;
}

}  // namespace

HostWork::HostWork(const std::filesystem::path &module, const hostsim::Scene &scene)
    : host_(module, scene),
      instance_(host_.displacementInstances().at(0)),
      mesh_(host_.scene().meshOf(host_.objectOf(instance_))),
      camera_(host_.scene().itemId(cameraItem)),
      points_(host_.scene().scene().items.at(bushItem).mesh->points.size()) {
    host_.runFrame(
        host_.frames().start);  // uses up the leaves: passes without newTime return at once
}

void HostWork::walkMesh() {
    PositionFetch fetch{mesh_, {}};
    mesh_->meshScanPoints(mesh_, fetchPosition, &fetch);
}

void HostWork::askTarget(std::int32_t frame) {
    const double time = host_.frames().timeOf(frame);
    const ItemInfo *items = host_.scene().itemInfo();
    double target[3];
    const hostsim::SceneServices::Pass pass(
        host_.scene());  // the queries of a frame come within its pass
    for (std::size_t i = 0; i < points_; ++i)
        items->itemParam(camera_, ITEM_PARAM_POSITION, time, target);
}

std::size_t HostWork::playFrame(std::int32_t frame) {
    walkMesh();
    askTarget(frame);
    return host_.evaluatePass(instance_).size();
}

}  // namespace bench
