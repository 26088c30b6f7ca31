// The stand-in host's driver: activation, instance entries, the frame driver and panel edits.
#include "hostsim/host.h"

#include "host/instance_update.h"
#include "host/service_names.h"
#include "hostsim/host_error.h"
#include "hostsim/module_call.h"
#include "hostsim/point_record.h"

#include <algorithm>
#include <sstream>
#include <utility>

namespace hostsim {
namespace {

// The first argument of `create`, which the module ignores; recognisable if it ever shows up.
void *const createContext = reinterpret_cast<void *>(static_cast<std::uintptr_t>(0x5E720001u));

// Longest used-items list accepted before it counts as unclosed.
constexpr std::size_t maxUsedItems = 64;

extern "C" {
// "Instance Update" carries no context, so it reaches the active host.
static std::int32_t hostInstanceUpdate(const char *className, void *instance) {
    Host *host = activeHost().host;
    try {
        return host ? host->instanceUpdate(className, instance) : INSTANCE_UPDATE_UNKNOWN;
    } catch (...) {
        return INSTANCE_UPDATE_UNKNOWN;
    }
}
}

}  // namespace

Host::Host(const std::filesystem::path &modulePath, Scene scene)
    : active_({&registry_, &scene_, &panels_, this}),
      library_(modulePath),
      scene_(std::move(scene)) {
    registry_.add(SERVICE_ITEM_INFO, scene_.itemInfo());
    registry_.add(SERVICE_OBJECT_INFO, scene_.objectInfo());
    registry_.add(SERVICE_INSTANCE_UPDATE, reinterpret_cast<void *>(&hostInstanceUpdate));
    registry_.add(SERVICE_XPANEL, panels_.table());
    try {
        handler(defaultServer);
        const auto &displacements = scene_.scene().displacements;
        for (const Displacement &d : displacements) {
            void *instance = create(d.item, d.server);
            displacementInstances_.push_back(instance);
            if (d.data) load(instance, *d.data);
        }
    } catch (...) {
        for (const auto &[instance, rec] : instances_)
            if (rec.tables->instanceOps.destroy) {
                const CallScope call("destroy");
                rec.tables->instanceOps.destroy(instance);
            }
        throw;
    }
}

Host::~Host() {
    for (const auto &[instance, rec] : instances_)
        if (rec.tables->instanceOps.destroy) {
            const CallScope call("destroy");
            rec.tables->instanceOps.destroy(instance);
        }
}

void Host::fail(const std::string &what) const { throw HostError::at(library_.path(), what); }

template <typename Fn>
Fn Host::entry(Fn fn, const char *name) const {
    if (fn == nullptr) fail(std::string("the handler left its ") + name + " entry empty");
    return fn;
}

Host::InstanceRecord &Host::record(void *instance) {
    const auto found = instances_.find(instance);
    if (found == instances_.end()) {
        std::ostringstream address;
        address << instance;
        fail("no instance of this host at " + address.str());
    }
    return found->second;
}

const Host::InstanceRecord &Host::record(void *instance) const {
    return const_cast<Host *>(this)->record(instance);
}

HandlerTables &Host::handler(std::string_view server) {
    if (const auto found = handlers_.find(server); found != handlers_.end()) return *found->second;
    auto tables = std::make_unique<HandlerTables>();
    const std::int32_t code = activateHandler(*tables, HOST_INTERFACE_VERSION, server);
    if (code != ACTIVATE_OK)
        fail("activation of " CLASS_DISPLACEMENT_HANDLER " under " + std::string(server) +
             " answered " + std::to_string(code));
    return *handlers_.emplace(std::string(server), std::move(tables)).first->second;
}

std::int32_t Host::activateHandler(HandlerTables &tables, std::int32_t version,
                                   std::string_view server) {
    const ServerEntry &entry = library_.findServer(CLASS_DISPLACEMENT_HANDLER, server);
    const CallScope call("activation");
    return activate(entry, version, &tables.binding);
}

void *Host::create(std::size_t itemIndex, std::string_view server) {
    HandlerTables &tables = handler(server);
    const ItemId object = scene_.itemId(itemIndex);
    const auto createEntry = entry(tables.instanceOps.create, "create");
    const CallScope call("create");
    void *instance = createEntry(createContext, object);
    if (instance == nullptr) fail("create made no instance for item " + std::to_string(itemIndex));
    instances_[instance] = InstanceRecord{object, &tables, frames().start, {}};
    return instance;
}

void Host::destroy(void *instance) {
    InstanceRecord &rec = record(instance);
    const auto destroyEntry = entry(rec.tables->instanceOps.destroy, "destroy");
    {
        const CallScope call("destroy");
        destroyEntry(instance);
    }
    instances_.erase(instance);
    std::replace(displacementInstances_.begin(), displacementInstances_.end(), instance,
                 static_cast<void *>(nullptr));
}

std::string Host::describe(void *instance) {
    const auto describeEntry = entry(record(instance).tables->instanceOps.describe, "describe");
    const CallScope call("describe");
    const char *text = describeEntry(instance);
    if (text == nullptr) fail("describe answered no text");
    return text;
}

std::vector<ItemId> Host::useItems(void *instance) {
    const auto useItemsEntry = entry(record(instance).tables->itemOps.useItems, "useItems");
    const ItemId *list = nullptr;
    {
        const CallScope call("useItems");
        list = useItemsEntry(instance);
    }
    std::vector<ItemId> items;
    if (list == nullptr) return items;
    for (std::size_t i = 0; list[i] != nullptr; ++i) {
        if (i == maxUsedItems)
            fail("useItems list not closed within " + std::to_string(maxUsedItems) + " items");
        items.push_back(list[i]);
    }
    return items;
}

const char *Host::newTime(void *instance, std::int32_t frame) {
    return newTime(instance, frame, frames().timeOf(frame));
}

const char *Host::newTime(void *instance, std::int32_t frame, double time) {
    InstanceRecord &rec = record(instance);
    rec.frame = frame;
    const auto newTimeEntry = entry(rec.tables->renderOps.newTime, "newTime");
    const CallScope call("newTime", frame);
    return newTimeEntry(instance, frame, time);
}

const char *Host::load(void *instance, IntSource &source) {
    const auto loadEntry = entry(record(instance).tables->instanceOps.load, "load");
    const CallScope call("load");
    return loadEntry(instance, source.record());
}

void Host::load(void *instance, std::vector<std::int32_t> values) {
    IntSource source(std::move(values));
    if (const char *error = load(instance, source)) fail(std::string("load reported: ") + error);
}

const char *Host::save(void *instance, IntSink &sink) {
    const auto saveEntry = entry(record(instance).tables->instanceOps.save, "save");
    const CallScope call("save");
    return saveEntry(instance, sink.record());
}

std::vector<std::int32_t> Host::save(void *instance) {
    IntSink sink;
    if (const char *error = save(instance, sink)) fail(std::string("save reported: ") + error);
    return sink.values();
}

std::uint32_t Host::flags(void *instance) {
    const auto flagsEntry = entry(record(instance).tables->binding.flags, "flags");
    const CallScope call("flags");
    return flagsEntry(instance);
}

ItemId Host::objectOf(void *instance) const { return record(instance).object; }

void Host::evaluate(void *instance, PointAccess &access) {
    const auto evaluateEntry = entry(record(instance).tables->binding.evaluate, "evaluate");
    const CallScope call("evaluate");
    evaluateEntry(instance, &access);
}

PointAccess Host::pointAccess(void *instance, std::size_t pointIndex) {
    const ItemId object = record(instance).object;
    const auto index = scene_.indexOf(object);
    const Item *item = index ? &scene_.scene().items[*index] : nullptr;
    if (item == nullptr || !item->mesh || pointIndex >= item->mesh->points.size())
        fail("the object of this instance has no point " + std::to_string(pointIndex));
    PointAccess access{};
    fillPointAccess(access, item->mesh->points[pointIndex], pointIndex, scene_.meshOf(object));
    return access;
}

Position Host::evaluatePoint(void *instance, std::size_t pointIndex) {
    PointAccess access = pointAccess(instance, pointIndex);
    evaluate(instance, access);
    return positionOf(access);
}

std::size_t Host::passPoints(const InstanceRecord &rec) const {
    const Mesh *mesh = passMesh(rec);
    return mesh ? mesh->points.size() : 0;
}

const Mesh *Host::passMesh(const InstanceRecord &rec) const {
    const auto index = scene_.indexOf(rec.object);
    const Item *item = index ? &scene_.scene().items[*index] : nullptr;
    return item && item->mesh ? &*item->mesh : nullptr;
}

void Host::passInto(void *instance, const InstanceRecord &rec, std::span<Position> out) {
    if (out.empty()) return;
    const Mesh *object = passMesh(rec);
    if (object == nullptr || object->points.size() < out.size())
        fail("a pass of " + std::to_string(out.size()) + " positions over fewer points");
    // The record, the mesh and the entry are found once.
    const auto evaluateEntry = entry(rec.tables->binding.evaluate, "evaluate");
    const auto &points = object->points;
    MeshHandle *const mesh = scene_.meshOf(rec.object);
    const SceneServices::Pass pass(scene_);
    const CallScope call("evaluate", rec.frame);
    evaluatePoints(evaluateEntry, instance, mesh, points.data(), out);
}

const std::vector<Position> &Host::evaluatePass(void *instance) {
    InstanceRecord &rec = record(instance);
    // The pass writes straight into the instance's last positions, whose memory the previous pass
    // leaves behind: no allocation and no copy per frame once the first has run.
    rec.last.resize(passPoints(rec));
    passInto(instance, rec, rec.last);
    return rec.last;
}

const std::vector<Position> &Host::evaluateFrame(void *instance, std::int32_t frame) {
    newTime(instance, frame);
    return evaluatePass(instance);
}

std::vector<DisplacedObject> Host::runFrame(std::int32_t frame) {
    std::vector<DisplacedObject> objects;
    for (std::size_t i = 0; i < displacementInstances_.size(); ++i) {
        void *instance = displacementInstances_[i];
        if (instance == nullptr) continue;
        objects.push_back({i, objectOf(instance), instance, evaluateFrame(instance, frame)});
    }
    return objects;
}

std::vector<DisplacedObject> Host::runFrameInto(std::int32_t frame, std::span<Position> out) {
    std::vector<DisplacedObject> objects;
    std::size_t used = 0;
    for (std::size_t i = 0; i < displacementInstances_.size(); ++i) {
        void *instance = displacementInstances_[i];
        if (instance == nullptr) continue;
        newTime(instance, frame);
        const InstanceRecord &rec = record(instance);
        const std::size_t count = passPoints(rec);
        if (count > out.size() - used)
            fail("frame " + std::to_string(frame) + " has more points to evaluate than the " +
                 std::to_string(out.size()) + " positions there is room for");
        const std::span<Position> positions = out.subspan(used, count);
        passInto(instance, rec, positions);
        objects.push_back({i, objectOf(instance), instance, positions});
        used += count;
    }
    return objects;
}

const std::vector<Position> &Host::lastPositions(void *instance) const {
    return record(instance).last;
}

std::int32_t Host::currentFrame(void *instance) const { return record(instance).frame; }

PanelOpening Host::openPanel(void *instance, std::int32_t version, std::string_view server) {
    const ServerEntry &server_ = library_.findServer(CLASS_DISPLACEMENT_INTERFACE, server);
    PanelOpening opening;
    opening.binding = InterfaceBinding{instance, interfaceSentinel(2), interfaceSentinel(3),
                                       interfaceSentinel(4)};
    const std::size_t errorsBefore = panels_.errors().size();
    {
        const CallScope call("activation");
        opening.code = activate(server_, version, &opening.binding);
    }
    opening.panel = panels_.find(opening.binding.panel);
    if (panels_.errors().size() > errorsBefore) fail("panel: " + panels_.errors()[errorsBefore]);
    if (opening.code == ACTIVATE_OK && opening.panel == nullptr)
        fail("activation of " CLASS_DISPLACEMENT_INTERFACE " answered " +
             std::to_string(ACTIVATE_OK) + " but named no panel this host made");
    return opening;
}

EditOutcome Host::edit(HostPanel &panel, std::uint32_t controlId, double value) {
    EditOutcome outcome;
    outcome.setAnswer = panel.set(controlId, value);
    for (const std::uint32_t derived : panel.derivedFrom(controlId))
        outcome.derived.emplace_back(derived, panel.get(derived));
    const std::size_t before = updates_.size();
    notify(panel, controlId, PANEL_EVENT_VALUE_CHANGED);
    outcome.updates = updates_.size() - before;
    return outcome;
}

void Host::notify(HostPanel &panel, std::uint32_t controlId, std::int32_t event) {
    panel.notifyRaw(controlId, event);
    runPendingUpdates();
}

std::int32_t Host::instanceUpdate(const char *className, void *instance) {
    updates_.push_back({className ? className : "", instance});
    if (className == nullptr || std::string_view(className) != CLASS_DISPLACEMENT_HANDLER ||
        !instances_.contains(instance))
        return INSTANCE_UPDATE_UNKNOWN;
    pendingUpdates_.push_back(instance);
    return INSTANCE_UPDATE_QUEUED;
}

void Host::runPendingUpdates() {
    const std::vector<void *> pending = std::exchange(pendingUpdates_, {});
    for (void *instance : pending)
        if (instances_.contains(instance)) evaluateFrame(instance, record(instance).frame);
}

}  // namespace hostsim
