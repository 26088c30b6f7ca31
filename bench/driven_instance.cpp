#include "bench/driven_instance.h"

#include "bench/demo_scenes.h"

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
    const auto &p = points_[index];
    for (std::size_t axis = 0; axis < 3; ++axis) access.basePosition[axis] = access.position[axis] = p[axis];
    access.pointId = static_cast<std::uint32_t>(index);
    access.mesh = mesh_;
    evaluate_(instance_, &access);
    return {access.position[0], access.position[1], access.position[2]};
}

void DrivenInstance::playFrame(std::int32_t frame, std::span<hostsim::Position> out) {
    newTime_(instance_, frame, host_.frames().timeOf(frame));
    const hostsim::SceneServices::Pass pass(host_.scene());  // as the host's own evaluate loop opens one
    // One record for every point, each field filled anew, as the host's own loop does.
    PointAccess access{};
    for (std::size_t i = 0; i < points_.size(); ++i) {
        const auto &p = points_[i];
        for (std::size_t axis = 0; axis < 3; ++axis) access.basePosition[axis] = access.position[axis] = p[axis];
        access.pointId = static_cast<std::uint32_t>(i);
        access.mesh = mesh_;
        evaluate_(instance_, &access);
        out[i] = {access.position[0], access.position[1], access.position[2]};
    }
}

std::array<double, 3> DrivenInstance::scanFrame(std::int32_t frame) {
    newTime_(instance_, frame, host_.frames().timeOf(frame));
    const hostsim::SceneServices::Pass pass(host_.scene());
    return evaluatePoint(0);
}

}  // namespace bench
