// The viewer and glTF outputs of a run, fed as the frames come.
#include "cli/run_views.h"

#include "cli/install_layout.h"
#include "formats/mesh_surface.h"
#include "host/vistrelle_contract.h"
#include "hostsim/host_error.h"

#include <cstdlib>

namespace cli {

namespace fs = std::filesystem;

fs::path threeSource() {
    if (const char *set = std::getenv("VISTRELLE_THREE"); set != nullptr && *set != '\0')
        return set;
    return sharedFilePath("three.cjs");
}

RunViews::RunViews(fs::path out, bool viewer, bool gltf, double framesPerSecond)
    : out_(std::move(out)), viewerWanted_(viewer), gltf_(gltf), framesPerSecond_(framesPerSecond) {}

void RunViews::addObject(const std::string &name, const std::string &stem,
                         const hostsim::Mesh &mesh, const ShownSettings &settings) {
    if (shown_.objects.empty()) {
        shown_.caption = settings.caption;
        shown_.leafPoints = settings.leafPoints;
        shown_.pivotRule = pivotRuleOf(settings);
    }
    shown_.objects.push_back({name, stem, {mesh.points.size(), 0, false, 0}});
    if (viewerWanted_ && animations_.empty()) {
        const std::int32_t pivotRule = pivotRuleOf(settings);
        const formats::ViewerObject shown{
            name, stem, settings.caption, settings.leafPoints, pivotRule, framesPerSecond_};
        makeViewer_ = [this, &mesh, shown] {
            return std::make_unique<formats::ViewerWriter>(out_, mesh, shown, threeSource());
        };
    }
    // The faces are made when the .glb is written, not held over the frames.
    const auto surface = [&mesh, leafPoints = settings.leafPoints] {
        return formats::surfaceOf(mesh, leafPoints);
    };
    animations_.emplace_back(stem, gltf_ ? std::make_unique<formats::GltfAnimationWriter>(
                                               mesh, surface, name, out_ / (stem + ".glb"))
                                         : nullptr);
}

void RunViews::start() {
    if (makeViewer_ && !viewer_) viewer_ = makeViewer_();
}

std::optional<fs::path> RunViews::writeFrame(std::size_t object, std::int32_t frame,
                                             const std::string &label,
                                             std::span<const hostsim::Position> positions) {
    if (object != 0 || !viewer_) return std::nullopt;
    return viewer_->writeFrameScript(frame, label, positions);
}

void RunViews::addFrame(std::size_t object, std::int32_t frame, const std::string &label,
                        double seconds, std::optional<hostsim::Point3> target,
                        std::span<const hostsim::Position> positions) {
    if (object == 0 && viewer_) viewer_->listFrame(frame, label, target);
    if (object == 0) recorded_.push_back({frame, seconds, target});
    if (object < animations_.size() && animations_[object].second)
        animations_[object].second->addFrame(frame, seconds, positions);
}

void RunViews::fillRecord(RunRecord &record) const {
    record.gltf = gltf_;
    record.framesPerSecond = framesPerSecond_;
    record.caption = shown_.caption;
    record.leafPoints = shown_.leafPoints;
    record.pivotRule = shown_.pivotRule;
    record.objects = shown_.objects;
    for (std::size_t i = 0; i < record.objects.size() && i < layouts_.size(); ++i)
        if (gltf_)
            record.objects[i].glb = {layouts_[i].points, layouts_[i].corners, layouts_[i].texcoords,
                                     0};
    record.frames = recorded_;
}

void RunViews::dropFrame(std::int32_t frame) {
    if (viewer_) viewer_->unlistFrame(frame);
    if (!recorded_.empty() && recorded_.back().frame == frame) recorded_.pop_back();
}

void RunViews::writePage() const {
    if (viewer_) viewer_->writePage();
}

std::vector<fs::path> RunViews::finish(const std::function<bool()> &stopped,
                                       std::vector<fs::path> *unwritten) {
    std::vector<fs::path> written;
    layouts_.assign(animations_.size(), {});
    for (std::size_t i = 0; i < animations_.size(); ++i) {
        const auto &[stem, animation] = animations_[i];
        if (!animation) continue;
        const fs::path file = out_ / (stem + ".glb");
        if (stopped && stopped()) {
            if (unwritten) unwritten->push_back(file);
            continue;
        }
        try {
            layouts_[i] = animation->write(file);
        } catch (const hostsim::HostError &) {
            // A stop that interrupted the write (a FIFO's open, say): the file is not there.
            if (!stopped || !stopped()) throw;
            if (unwritten) unwritten->push_back(file);
            continue;
        }
        written.push_back(file);
    }
    return written;
}

}  // namespace cli
