#include "bench/driven_instance.h"

#include "bench/demo_scenes.h"
#include "hostsim/point_record.h"

namespace bench {

DrivenInstance::DrivenInstance(const std::filesystem::path &module, const hostsim::Scene &scene)
    : host_(module, scene),
      instance_(host_.displacementInstances().at(0)),
      mesh_(host_.scene().meshOf(host_.objectOf(instance_))),
      points_(host_.scene().scene().items.at(bushItem).mesh->points),
      newTime_(host_.handler().renderOps.newTime),
      evaluate_(host_.handler().binding.evaluate) {}

std::array<double, 3> DrivenInstance::evaluatePoint(std::size_t index) {
    PointAccess access;
    hostsim::fillPointAccess(access, points_[index], index, mesh_);
    evaluate_(instance_, &access);
    return hostsim::positionOf(access);
}

void DrivenInstance::playFrame(std::int32_t frame, std::span<hostsim::Position> out) {
    newTime_(instance_, frame, host_.frames().timeOf(frame));
    const hostsim::SceneServices::Pass pass(
        host_.scene());  // as the host's own evaluate loop opens one
    hostsim::evaluatePoints(evaluate_, instance_, mesh_, points_.data(), out);
}

std::array<double, 3> DrivenInstance::scanFrame(std::int32_t frame) {
    newTime_(instance_, frame, host_.frames().timeOf(frame));
    const hostsim::SceneServices::Pass pass(host_.scene());
    return evaluatePoint(0);
}

}  // namespace bench
