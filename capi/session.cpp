// The session's items, objects, settings and frames over one stand-in host.
#include "capi/session.h"

#include "capi/argument_checks.h"
#include "host/vistrelle_contract.h"
#include "hostsim/host_error.h"

#include <cmath>
#include <utility>

namespace capi {
namespace {

[[noreturn]] void refuse(const std::string &what) {
    throw hostsim::HostError("vistrelle: " + what);
}

std::string motionFault(const hostsim::Motion &motion) {
    if (motion.keys.empty()) return "a motion needs at least one key";
    for (const hostsim::PositionKey &key : motion.keys) {
        if (!std::isfinite(key.time)) return "a key's time is not finite";
        for (const double v : {key.position.x, key.position.y, key.position.z})
            if (!std::isfinite(v)) return "a target position is not finite (NaN or infinite)";
    }
    return {};
}

std::vector<std::array<float, 3>> copied(Points points) { return {points.begin(), points.end()}; }

}  // namespace

std::string nonFinite(Points points) {
    for (std::size_t i = 0; i < points.size(); ++i)
        for (const float v : points[i])
            if (!std::isfinite(v))
                return "point " + std::to_string(i) + " is not finite (NaN or infinite)";
    return {};
}

Session::Session(std::unique_ptr<hostsim::Host> host) : host_(std::move(host)) {
    for (void *instance : host_->displacementInstances()) {
        const auto item = host_->scene().indexOf(host_->objectOf(instance));
        const auto &mesh = host_->scene().scene().items.at(item.value()).mesh;
        if (!mesh) refuse("a displacement of the scene is on an item without a mesh");
        objects_.push_back({*item, instance, nullptr});
    }
}

Session::Session(const std::filesystem::path &modulePath, double framesPerSecond)
    : Session([&] {
          if (!std::isfinite(framesPerSecond) || framesPerSecond <= 0)
              refuse("fps must be a positive number");
          hostsim::Scene scene;
          scene.frames.framesPerSecond = framesPerSecond;
          return std::make_unique<hostsim::Host>(modulePath, std::move(scene));
      }()) {}

std::size_t Session::itemIndex(std::size_t itemNumber) const {
    const std::size_t count = host_->scene().scene().items.size();
    if (itemNumber < 1 || itemNumber > count)
        refuse("no item " + std::to_string(itemNumber) + "; items are numbered 1 to " +
               std::to_string(count));
    return itemNumber - 1;
}

std::size_t Session::addTarget(const std::string &name, hostsim::Motion motion) {
    if (const std::string fault = motionFault(motion); !fault.empty())
        refuse("target \"" + name + "\": " + fault);
    const std::size_t at = host_->scene().scene().items.size();
    host_->scene().insertItem(at, hostsim::Item{name, std::move(motion), std::nullopt});
    return at + 1;
}

void Session::setMotion(std::size_t itemNumber, hostsim::Motion motion) {
    const std::size_t index = itemIndex(itemNumber);
    if (const std::string fault = motionFault(motion); !fault.empty())
        refuse("item " + std::to_string(itemNumber) + ": " + fault);
    host_->scene().item(index).motion = std::move(motion);
}

std::vector<std::string> Session::itemNames() const {
    std::vector<std::string> names;
    for (const hostsim::Item &item : host_->scene().scene().items) names.push_back(item.name);
    return names;
}

Session::Object &Session::object(std::size_t index) {
    if (index >= objects_.size())
        throw BadArgument("vistrelle: no object " + std::to_string(index) + "; the session holds " +
                          std::to_string(objects_.size()));
    return objects_[index];
}

const Session::Object &Session::object(std::size_t index) const {
    return const_cast<Session *>(this)->object(index);
}

std::size_t Session::addObject(const std::string &name, Points points,
                               const std::vector<std::int32_t> *settings) {
    if (const std::string fault = nonFinite(points); !fault.empty())
        refuse("object \"" + name + "\": " + fault);
    if (settings != nullptr && settings->size() != SETTING_COUNT)
        refuse("settings are five integers, not " + std::to_string(settings->size()));
    const std::size_t at = host_->scene().scene().items.size();
    // The target popup lists the new object's own item too.
    if (settings != nullptr)
        if (const std::string fault = settingFault(*settings, at + 1); !fault.empty())
            throw BadArgument(fault);
    host_->scene().insertItem(at, hostsim::Item{name, hostsim::Motion::fixed({}),
                                                hostsim::Mesh{copied(points), {}, {}, {}}});
    void *instance = nullptr;
    try {
        instance = host_->create(at);
        if (settings != nullptr) host_->load(instance, *settings);
    } catch (...) {
        if (instance != nullptr) host_->destroy(instance);
        host_->scene().removeItem(at);
        throw;
    }
    objects_.push_back({at, instance, nullptr});
    return objects_.size() - 1;
}

std::size_t Session::pointCount(std::size_t index) const { return basePoints(index).size(); }

std::size_t Session::itemNumber(std::size_t index) const { return object(index).item + 1; }

const std::vector<std::array<float, 3>> &Session::basePoints(std::size_t index) const {
    return host_->scene().scene().items.at(object(index).item).mesh.value().points;
}

void Session::setPoints(std::size_t index, Points points) {
    Object &obj = object(index);
    if (const std::string fault = nonFinite(points); !fault.empty()) refuse(fault);
    hostsim::Mesh &mesh = host_->scene().item(obj.item).mesh.value();
    if (points.size() == mesh.points.size()) {
        std::copy(points.begin(), points.end(), mesh.points.begin());
        return;
    }
    // The instance sized its leaf arrays from the point count when it was made: a new one, same
    // settings.
    const std::vector<std::int32_t> kept = host_->save(obj.instance);
    std::vector<std::array<float, 3>> old = std::exchange(mesh.points, copied(points));
    void *fresh = nullptr;
    try {
        fresh = host_->create(obj.item);
        host_->load(fresh, kept);
    } catch (...) {
        mesh.points = std::move(old);
        if (fresh != nullptr) host_->destroy(fresh);
        throw;
    }
    host_->destroy(obj.instance);
    obj.instance = fresh;
    obj.panel = nullptr;
}

std::vector<std::int32_t> Session::settings(std::size_t index) {
    return host_->save(object(index).instance);
}

void Session::setSettings(std::size_t index, const std::vector<std::int32_t> &values) {
    Object &obj = object(index);
    if (values.size() != SETTING_COUNT)
        refuse("settings are five integers, not " + std::to_string(values.size()));
    if (const std::string fault = settingFault(values, host_->scene().scene().items.size());
        !fault.empty())
        throw BadArgument(fault);
    host_->load(obj.instance, values);
}

hostsim::HostPanel &Session::panel(std::size_t index) {
    Object &obj = object(index);
    if (obj.panel == nullptr) {
        const hostsim::PanelOpening opening = host_->openPanel(obj.instance);
        if (opening.code != 0 || opening.panel == nullptr)
            throw hostsim::HostError::at(host_->library().path(),
                                         "the options panel did not open (activation answered " +
                                             std::to_string(opening.code) + ")");
        obj.panel = opening.panel;
    }
    return *obj.panel;
}

void Session::edit(std::size_t index, std::uint32_t controlId, double value) {
    host_->edit(panel(index), controlId, value);
}

void Session::turn(std::int32_t frame, double time,
                   std::span<const std::span<std::array<float, 3>>> outputs) {
    if (!std::isfinite(time))
        refuse("the time of frame " + std::to_string(frame) + " is not finite");
    if (outputs.size() != objects_.size())
        throw BadArgument("vistrelle: " + std::to_string(outputs.size()) + " outputs for " +
                          std::to_string(objects_.size()) + " objects");
    for (std::size_t k = 0; k < objects_.size(); ++k)
        if (outputs[k].size() != pointCount(k))
            throw BadArgument("vistrelle: output " + std::to_string(k) + " holds " +
                              std::to_string(outputs[k].size()) + " points, object " +
                              std::to_string(k) + " has " + std::to_string(pointCount(k)));
    for (std::size_t k = 0; k < objects_.size(); ++k) {
        // The host's own pass: the instance's positions, as `vistrelle run` plays them.
        host_->newTime(objects_[k].instance, frame, time);
        const std::vector<hostsim::Position> &turned = host_->evaluatePass(objects_[k].instance);
        std::array<float, 3> *out = outputs[k].data();
        for (std::size_t i = 0; i < turned.size(); ++i)
            out[i] = {static_cast<float>(turned[i][0]), static_cast<float>(turned[i][1]),
                      static_cast<float>(turned[i][2])};
    }
}

}  // namespace capi
