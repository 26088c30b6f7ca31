// A session of the module for the C interface: one stand-in host that loads vistrel.p once, holds
// several objects (an item with a mesh and a displacement on it each) and target items, and turns
// every object's points for a frame into float32 arrays the caller owns.
//
//   capi::Session session("vistrel.p", 24.0);
//   const std::size_t camera = session.addTarget("Camera", hostsim::Motion::fixed({0, 1, 5}));
//   const std::size_t bush = session.addObject("Bush", points);
//   session.setSettings(bush, {4, static_cast<std::int32_t>(camera), 0, 1, 1});
//   session.turn(12, 0.5, outputs);   // one span of 3 floats a point per object
//
// Every refusal is a hostsim::HostError with one line, thrown before anything changed; a number
// that names no object, or outputs that do not fit, are a BadArgument.
#pragma once

#include "hostsim/host.h"
#include "hostsim/host_error.h"
#include "hostsim/scene.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace capi {

// A refusal of the caller's numbers rather than of the host: an object out of range, outputs that
// do not fit the objects.
class BadArgument : public hostsim::HostError {
  public:
    using hostsim::HostError::HostError;
};

using Points = std::span<const std::array<float, 3>>;

class Session {
  public:
    // Loads the module into an empty scene whose frames last 1/fps seconds.
    Session(const std::filesystem::path &modulePath, double framesPerSecond);
    // Loads the module and a scene file: its items, frames and displacements become this session's.
    // HostError in a build without scene files.
    static std::unique_ptr<Session> fromScene(const std::filesystem::path &modulePath,
                                              const std::filesystem::path &sceneFile);

    // --- Items
    // Appends an item without a mesh; its 1-based number, as the module's target setting counts.
    std::size_t addTarget(const std::string &name, hostsim::Motion motion);
    // Replaces an item's motion. Refused for a number that names no item, or for positions that are
    // not finite.
    void setMotion(std::size_t itemNumber, hostsim::Motion motion);
    std::vector<std::string> itemNames() const;
    double framesPerSecond() const { return host_->frames().framesPerSecond; }

    // --- Objects
    // Appends an item with `points` as its mesh and makes a displacement on it, loaded with
    // `settings` when given. The object's index among this session's objects. Settings the options
    // panel would not take are a BadArgument naming the setting.
    std::size_t addObject(const std::string &name, Points points,
                          const std::vector<std::int32_t> *settings = nullptr);
    std::size_t objectCount() const { return objects_.size(); }
    std::size_t pointCount(std::size_t object) const;
    std::size_t itemNumber(std::size_t object) const;
    const std::vector<std::array<float, 3>> &basePoints(std::size_t object) const;
    // New base points; a new count makes a new instance (it sizes its leaf arrays when made) that
    // keeps the settings.
    void setPoints(std::size_t object, Points points);

    // --- Settings: the five saved integers, or the module's own panel
    std::vector<std::int32_t> settings(std::size_t object);
    // Settings the options panel would not take are a BadArgument naming the setting.
    void setSettings(std::size_t object, const std::vector<std::int32_t> &values);
    hostsim::HostPanel &panel(std::size_t object);
    // A user's edit of one control, by its id; the host's checks apply.
    void edit(std::size_t object, std::uint32_t controlId, double value);

    // --- Frames
    // newTime(frame, time) and one evaluate per point for every object, in object order; object k's
    // positions, rounded to float, go to outputs[k], which holds exactly its points.
    void turn(std::int32_t frame, double time,
              std::span<const std::span<std::array<float, 3>>> outputs);

    hostsim::Host &host() { return *host_; }

  private:
    struct Object {
        std::size_t item = 0;  // 0-based index into the scene's items
        void *instance = nullptr;
        hostsim::HostPanel *panel = nullptr;  // opened on first use
    };

  public:
    // Takes a host and its scene's displacements as the objects.
    explicit Session(std::unique_ptr<hostsim::Host> host);

  private:
    Object &object(std::size_t index);
    const Object &object(std::size_t index) const;
    std::size_t itemIndex(std::size_t itemNumber) const;

    std::unique_ptr<hostsim::Host> host_;
    std::vector<Object> objects_;
};

// One line naming what is wrong with a position or a point list; empty when all is finite.
std::string nonFinite(Points points);

}  // namespace capi
