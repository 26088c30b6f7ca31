// The stand-in host: loads the module by path and drives it over an in-memory scene, as a 3D
// animation host would, through the binary interface alone.
//
// Usage:
//   hostsim::Host host(VISTREL_MODULE_FILE, scene);  // load, offer services, activate the handler,
//                                                    // create (and load) every displacement
//   void *leaf = host.create(0);                     // an instance on item 0
//   host.load(leaf, {3, 1, 0, 1, 1});                // settings as a scene would hold them
//   auto moved = host.evaluateFrame(leaf, 12);       // newTime, then evaluate every point in order
//   auto again = host.evaluatePass(leaf);            // a pass without newTime
//   host.describe(leaf); host.save(leaf); host.useItems(leaf); host.flags(leaf);
//   auto opened = host.openPanel(leaf);              // activate the interface; opened.panel
//   host.edit(*opened.panel, CTL_LEAF_POINTS, 3);    // set, read derived, notify, re-evaluate
//   host.scene().counters().itemParam;               // how often the module asked for positions
//   host.scene().insertItem(0, item);                // change the item list while instances live
//   host.services().remove("Instance Update");       // take a service away, then activate again
//   hostsim::HandlerTables fresh;
//   host.activateHandler(fresh, 3);                  // ACTIVATE_BAD_VERSION; fresh.untouched()
// Every error is a HostError with a one-line message. Only one Host may exist at a time.
#pragma once

#include "host/interface_binding.h"
#include "hostsim/active_host.h"
#include "hostsim/handler_tables.h"
#include "hostsim/int_streams.h"
#include "hostsim/module_call.h"
#include "hostsim/module_library.h"
#include "hostsim/panel_service.h"
#include "hostsim/scene_services.h"
#include "hostsim/service_registry.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace hostsim {

// One displacement of a scene after a frame.
struct DisplacedObject {
    std::size_t displacement = 0;  // index into Scene::displacements
    ItemId object = nullptr;
    void *instance = nullptr;
    // Displaced, in point order; the base mesh is untouched. A view of the instance's last
    // positions: valid until its next pass or its destroy.
    std::span<const Position> positions;
};

// A call of "Instance Update" as the module made it.
struct InstanceUpdateCall {
    std::string className;
    void *instance = nullptr;
};

// What an activation of the interface gave.
struct PanelOpening {
    std::int32_t code = -1;
    InterfaceBinding binding{};
    HostPanel *panel = nullptr;  // the panel the binding names; null when none was built
};

// What a user-level edit did.
struct EditOutcome {
    std::int32_t setAnswer = 0;
    std::vector<std::pair<std::uint32_t, std::optional<double>>>
        derived;              // controls read after the set
    std::size_t updates = 0;  // "Instance Update" calls during the change notification
};

// Values the host writes into an InterfaceBinding before activation, so that writes show.
inline void *interfaceSentinel(unsigned slot) {
    return reinterpret_cast<void *>(static_cast<std::uintptr_t>(0x5E710000u + slot));
}

class Host {
  public:
    static constexpr std::string_view defaultServer = "Vistrelle";

    // Loads the module, offers the four services, activates "DisplacementHandler" under
    // "Vistrelle", then creates every displacement of `scene` (and loads its data block when it has
    // one).
    explicit Host(const std::filesystem::path &modulePath, Scene scene = {});
    ~Host();
    Host(const Host &) = delete;
    Host &operator=(const Host &) = delete;

    ModuleLibrary &library() { return library_; }
    ServiceRegistry &services() { return registry_; }
    SceneServices &scene() { return scene_; }
    PanelService &panels() { return panels_; }
    const FrameRange &frames() const { return scene_.scene().frames; }

    // --- Activation
    // The activated tables of the handler served under `server` (activated on first use).
    HandlerTables &handler(std::string_view server = defaultServer);
    // Activates the handler under `server` into `tables` with `version`; the module's answer.
    std::int32_t activateHandler(HandlerTables &tables,
                                 std::int32_t version = HOST_INTERFACE_VERSION,
                                 std::string_view server = defaultServer);

    // --- Instances
    // A new instance on the item at `itemIndex`; HostError when the module makes none.
    void *create(std::size_t itemIndex, std::string_view server = defaultServer);
    void destroy(void *instance);
    std::string describe(void *instance);
    std::vector<ItemId> useItems(void *instance);
    const char *newTime(void *instance, std::int32_t frame);  // time from the scene's frame range
    const char *newTime(void *instance, std::int32_t frame, double time);
    const char *load(void *instance, IntSource &source);
    void load(void *instance, std::vector<std::int32_t> values);  // HostError when load reports one
    const char *save(void *instance, IntSink &sink);
    std::vector<std::int32_t> save(void *instance);  // HostError when save reports one
    std::uint32_t flags(void *instance);
    // The instances made for the scene's displacements, in their order.
    const std::vector<void *> &displacementInstances() const { return displacementInstances_; }
    // The object an instance was made for.
    ItemId objectOf(void *instance) const;

    // --- Frame driver
    // newTime(frame, its time), then evaluate once per point of the object, in mesh order. The
    // positions are the instance's lastPositions: the next pass of the instance overwrites them and
    // destroy frees them.
    const std::vector<Position> &evaluateFrame(void *instance, std::int32_t frame);
    // Evaluate once per point without newTime; the same positions as evaluateFrame answers.
    const std::vector<Position> &evaluatePass(void *instance);
    // The PointAccess the driver gives point `pointIndex`: both positions at the base position.
    PointAccess pointAccess(void *instance, std::size_t pointIndex);
    // Evaluate of that one point; the position it hands back.
    Position evaluatePoint(void *instance, std::size_t pointIndex);
    // Evaluate of a record the caller made.
    void evaluate(void *instance, PointAccess &access);
    // evaluateFrame for every displacement of the scene; the positions are views, as
    // evaluateFrame's.
    std::vector<DisplacedObject> runFrame(std::int32_t frame);
    // runFrame with the positions written into `out`, each object's after those of the objects
    // before it, and viewed there; the instances' last positions stay as they were. HostError when
    // `out` has too little room.
    std::vector<DisplacedObject> runFrameInto(std::int32_t frame, std::span<Position> out);
    // The positions of the instance's latest pass (empty before the first).
    const std::vector<Position> &lastPositions(void *instance) const;
    // The frame of the instance's latest newTime through this host (the scene's start before one).
    std::int32_t currentFrame(void *instance) const;
    // The frame driver's call of the module under way, if any.
    const CallInProgress &callInProgress() const { return moduleCall(); }

    // --- Panel
    // Activates "DisplacementInterface" under `server` for `instance`. HostError when the panel
    // built is malformed (its tables or hint list) or the binding names a panel this host never
    // made.
    PanelOpening openPanel(void *instance, std::int32_t version = HOST_INTERFACE_VERSION,
                           std::string_view server = defaultServer);
    // A user's edit: set through the set callback, read every control derived from it, send the
    // change notification (event 2), then evaluate anew every instance the module asked to update.
    EditOutcome edit(HostPanel &panel, std::uint32_t controlId, double value);
    // The change notification alone, followed by the updates it asked for.
    void notify(HostPanel &panel, std::uint32_t controlId, std::int32_t event);
    // Every "Instance Update" call so far.
    const std::vector<InstanceUpdateCall> &updates() const { return updates_; }

    // The work of the "Instance Update" entry: note the call; a known handler instance is evaluated
    // anew (from newTime at its current frame) once the panel callback that asked has returned.
    std::int32_t instanceUpdate(const char *className, void *instance);

  private:
    struct InstanceRecord {
        ItemId object = nullptr;
        HandlerTables *tables = nullptr;
        std::int32_t frame = 0;
        std::vector<Position> last;
    };

    InstanceRecord &record(void *instance);
    const InstanceRecord &record(void *instance) const;
    // The mesh of the instance's object, null when it has none, and its points: what one pass
    // evaluates.
    const Mesh *passMesh(const InstanceRecord &rec) const;
    std::size_t passPoints(const InstanceRecord &rec) const;
    // Evaluate once per point of the instance's object, the positions into `out`, one per point.
    void passInto(void *instance, const InstanceRecord &rec, std::span<Position> out);
    // Fails with a clear message when the module left `entry` of the handler empty.
    template <typename Fn>
    Fn entry(Fn fn, const char *name) const;
    void runPendingUpdates();
    [[noreturn]] void fail(const std::string &what) const;

    ActiveHostScope active_;  // first: no second host gets as far as loading the module
    ModuleLibrary library_;
    ServiceRegistry registry_;
    SceneServices scene_;
    PanelService panels_;
    std::map<std::string, std::unique_ptr<HandlerTables>, std::less<>> handlers_;
    std::map<void *, InstanceRecord> instances_;
    std::vector<void *> displacementInstances_;
    std::vector<InstanceUpdateCall> updates_;
    std::vector<void *> pendingUpdates_;
};

}  // namespace hostsim
