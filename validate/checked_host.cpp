#include "validate/checked_host.h"

#include "host/service_names.h"
#include "validate/validation_failure.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <map>
#include <sstream>

namespace validate {
namespace {

constexpr std::int32_t interfaceVersion = HOST_INTERFACE_VERSION;
const std::vector<std::string> handlerServices = {SERVICE_OBJECT_INFO, SERVICE_ITEM_INFO, SERVICE_INSTANCE_UPDATE};

std::string listOf(const std::vector<std::int32_t> &values) {
    std::ostringstream out;
    for (std::size_t i = 0; i < values.size(); ++i) out << (i ? " " : "") << values[i];
    return out.str();
}

std::string listOf(const std::vector<std::string> &names) {
    std::string out;
    for (const auto &name : names) out += (out.empty() ? "\"" : ", \"") + name + "\"";
    return out.empty() ? "nothing" : out;
}

std::string hex(std::uint32_t value) {
    std::ostringstream out;
    out << "0x" << std::hex << value;
    return out.str();
}

// Takes named services away from the host until destruction.
class ServicesAway {
public:
    ServicesAway(hostsim::ServiceRegistry &registry, const std::vector<std::string> &names) : registry_(registry) {
        for (const auto &name : names) {
            if (void *service = registry.find(name)) {
                saved_.emplace(name, service);
                registry.remove(name);
            }
        }
    }
    ~ServicesAway() {
        for (const auto &[name, service] : saved_) registry_.add(name, service);
    }
    ServicesAway(const ServicesAway &) = delete;
    ServicesAway &operator=(const ServicesAway &) = delete;

private:
    hostsim::ServiceRegistry &registry_;
    std::map<std::string, void *> saved_;
};

bool handlerFilled(const hostsim::HandlerTables &t) {
    return t.instanceOps.create && t.instanceOps.destroy && t.instanceOps.copy && t.instanceOps.load && t.instanceOps.save &&
           t.instanceOps.describe && t.itemOps.useItems && t.renderOps.newTime && t.binding.evaluate && t.binding.flags;
}

}  // namespace

Settings Settings::fromStored(const std::vector<std::int32_t> &values) {
    Settings s;
    if (values.size() >= 5) s = {values[0], values[1], values[2], values[3], values[4]};
    return s;
}

CheckedHost::CheckedHost(const std::filesystem::path &module, hostsim::Scene scene) : host_(module, std::move(scene)) {}

// --- Activation

std::int32_t CheckedHost::activateHandler(std::int32_t version, const std::vector<std::string> &missing) {
    hostsim::HandlerTables fresh;
    std::int32_t code = 0;
    std::vector<std::string> lookedUp;
    {
        ServicesAway away(host_.services(), missing);
        host_.services().clearLookups();
        code = host_.activateHandler(fresh, version);
        for (const auto &call : host_.services().lookups()) lookedUp.push_back(call.use == 0 ? call.name : call.name + " (use not 0)");
    }
    const bool lacking = std::any_of(handlerServices.begin(), handlerServices.end(), [&](const std::string &name) {
        return std::find(missing.begin(), missing.end(), name) != missing.end();
    });
    const std::int32_t expected = version != interfaceVersion ? 1 : lacking ? 2 : 0;
    const std::string call = "activation of " CLASS_DISPLACEMENT_HANDLER " with version " + std::to_string(version) +
                             (missing.empty() ? std::string() : " without " + listOf(missing));
    if (code != expected) fail(call + " answered " + std::to_string(code) + "; expected " + std::to_string(expected));
    if (expected == 1 && !lookedUp.empty()) fail(call + " looked up " + listOf(lookedUp) + "; expected nothing looked up");
    if (expected != 0 && !fresh.untouched()) fail(call + " wrote into the host's tables; expected them untouched");
    if (expected == 0) {
        if (!fresh.hostSlotsIntact()) fail(call + " wrote into a slot that belongs to the host");
        if (!handlerFilled(fresh)) fail(call + " left an entry of the handler's tables empty");
        if (lookedUp != handlerServices) fail(call + " looked up " + listOf(lookedUp) + "; expected " + listOf(handlerServices));
    } else {
        activateHandler(interfaceVersion);
    }
    return code;
}

std::int32_t CheckedHost::activateInterface(TrackedInstance &instance, std::int32_t version, bool withoutPanelService,
                                            bool panelCreateFails) {
    hostsim::PanelOpening opening;
    std::vector<std::string> lookedUp;
    {
        ServicesAway away(host_.services(), withoutPanelService ? std::vector<std::string>{SERVICE_XPANEL} : std::vector<std::string>{});
        host_.panels().failCreate = panelCreateFails;
        host_.services().clearLookups();
        try {
            opening = host_.openPanel(instance.handle, version);
        } catch (...) {
            host_.panels().failCreate = false;
            throw;
        }
        host_.panels().failCreate = false;
        for (const auto &call : host_.services().lookups()) lookedUp.push_back(call.use == 0 ? call.name : call.name + " (use not 0)");
    }
    const std::int32_t expected = version != interfaceVersion ? 1 : (withoutPanelService || panelCreateFails) ? 2 : 0;
    const std::string call = "activation of " CLASS_DISPLACEMENT_INTERFACE " with version " + std::to_string(version) +
                             (withoutPanelService ? " without \"" SERVICE_XPANEL "\"" : "") + (panelCreateFails ? " while panelCreate fails" : "");
    if (opening.code != expected) fail(call + " answered " + std::to_string(opening.code) + "; expected " + std::to_string(expected));
    const InterfaceBinding &b = opening.binding;
    const bool entriesUntouched = b.optionsEntry == hostsim::interfaceSentinel(3) && b.commandEntry == hostsim::interfaceSentinel(4);
    if (expected == 1) {
        if (!lookedUp.empty()) fail(call + " looked up " + listOf(lookedUp) + "; expected nothing looked up");
        if (b.panel != hostsim::interfaceSentinel(2) || !entriesUntouched) fail(call + " wrote into the binding; expected it untouched");
    } else if (expected == 2) {
        if (b.panel != nullptr) fail(call + " left the binding's panel set; expected none");
        if (!entriesUntouched) fail(call + " wrote the binding's options or command entry; expected them untouched");
    } else {
        if (b.optionsEntry != nullptr || b.commandEntry != nullptr) fail(call + " left the options or command entry set; expected none");
        if (lookedUp != std::vector<std::string>{SERVICE_XPANEL}) fail(call + " looked up " + listOf(lookedUp) + "; expected \"" SERVICE_XPANEL "\" alone");
        hostsim::HostPanel &panel = *opening.panel;
        if (panel.viewInstance != instance.handle) fail(call + ": the panel views another instance than the one given");
        const auto data = panel.userData.find(0);
        if (data == panel.userData.end() || data->second != instance.handle) fail(call + ": the panel's data is not the instance given");
        if (!panel.getFn || !panel.setFn) fail(call + ": the panel has no get or set callback");
        instance.panel = &panel;
    }
    if (expected != 0) activateInterface(instance, interfaceVersion);
    return opening.code;
}

// --- Instances

TrackedInstance &CheckedHost::create(std::size_t itemIndex) {
    auto tracked = std::make_unique<TrackedInstance>();
    tracked->object = host_.scene().itemId(itemIndex);
    tracked->handle = host_.create(itemIndex);
    instances_.push_back(std::move(tracked));
    return *instances_.back();
}

void CheckedHost::destroy(TrackedInstance &instance) {
    host_.destroy(instance.handle);
    std::erase_if(instances_, [&](const auto &t) { return t.get() == &instance; });
}

void CheckedHost::load(TrackedInstance &instance, const std::vector<std::int32_t> &values) {
    hostsim::IntSource source(values);
    if (const char *error = host_.load(instance.handle, source)) fail(std::string("load answered the error \"") + error + "\"; expected none");
    const std::size_t wanted = std::min<std::size_t>(values.size(), 5);
    if (source.delivered() > 5 || (values.size() >= 5 && source.delivered() != 5))
        fail("load read " + std::to_string(source.delivered()) + " integers of " + std::to_string(values.size()) + "; expected " + std::to_string(wanted));
    instance.settings = values.size() >= 5 ? std::optional(Settings::fromStored(values)) : std::nullopt;
    instance.tailSettled = false;
}

std::vector<std::int32_t> CheckedHost::save(TrackedInstance &instance) {
    hostsim::IntSink sink;
    if (const char *error = host_.save(instance.handle, sink)) fail(std::string("save answered the error \"") + error + "\"; expected none");
    const std::vector<std::int32_t> values = sink.values();
    if (values.size() != 5) fail("save wrote " + std::to_string(values.size()) + " integers (" + listOf(values) + "); expected 5");
    if (instance.settings && values != instance.settings->stored())
        fail("save wrote " + listOf(values) + "; expected " + listOf(instance.settings->stored()) + ", the settings last loaded or set");
    return values;
}

void CheckedHost::checkDescribe(TrackedInstance &instance) {
    static const std::string prefix = "Vistrelobject: ";
    const std::string first = host_.describe(instance.handle);
    const std::string second = host_.describe(instance.handle);
    if (first != second) fail("describe answered \"" + first + "\", then \"" + second + "\"; expected the same line twice");
    if (!first.starts_with(prefix)) fail("describe answered \"" + first + "\"; expected it to start with \"" + prefix + "\"");
    if (!instance.settings) return;
    const auto name = itemNameAt(instance.settings->targetIndex);
    if (name && first != prefix + *name)
        fail("describe answered \"" + first + "\"; expected \"" + prefix + *name + "\" for target " + std::to_string(instance.settings->targetIndex));
}

void CheckedHost::checkUseItems(TrackedInstance &instance) {
    const std::vector<ItemId> items = host_.useItems(instance.handle);
    if (items.size() > 1) fail("useItems listed " + std::to_string(items.size()) + " items; expected the target alone or nothing");
    if (!instance.target) return;
    const std::vector<ItemId> expected = *instance.target ? std::vector<ItemId>{*instance.target} : std::vector<ItemId>{};
    if (items != expected)
        fail(std::string("useItems listed ") + (items.empty() ? "nothing" : "an item") + "; expected " +
             (expected.empty() ? "nothing, no target being resolved" : "the resolved target"));
}

void CheckedHost::checkFlags(TrackedInstance &instance) {
    if (const std::uint32_t flags = host_.flags(instance.handle); flags != 1) fail("flags answered " + std::to_string(flags) + "; expected 1");
}

void CheckedHost::checkCopy(TrackedInstance &to, TrackedInstance &from) {
    const auto toBefore = save(to);
    const auto fromBefore = save(from);
    if (const char *error = host_.handler().instanceOps.copy(to.handle, from.handle))
        fail(std::string("copy answered the error \"") + error + "\"; expected none");
    if (save(to) != toBefore || save(from) != fromBefore) fail("copy changed the settings of an instance; expected both unchanged");
}

// --- Panel

hostsim::HostPanel &CheckedHost::panel(TrackedInstance &instance) {
    if (instance.panel == nullptr) activateInterface(instance, interfaceVersion);
    return *instance.panel;
}

void CheckedHost::set(TrackedInstance &instance, std::uint32_t controlId, std::int32_t value) {
    hostsim::HostPanel &p = panel(instance);
    // A control outside the module's ids must change no setting; the settings are kept to compare.
    const bool moduleControl = controlId >= controlLeafPoints && controlId <= controlPitchAlign;
    const std::vector<std::int32_t> before = moduleControl ? std::vector<std::int32_t>{} : save(instance);
    if (const std::int32_t answer = p.set(controlId, value); answer != 3)
        fail("the panel's set of control " + hex(controlId) + " answered " + std::to_string(answer) + "; expected 3");
    if (!noteSetting(instance, p, controlId, value) && !moduleControl && save(instance) != before)
        fail("the panel's set of control " + hex(controlId) + " changed the settings; expected nothing changed");
    // A leaf size set alone leaves the leaf count out of step until the host reads or notifies.
    if (controlId == controlLeafPoints) instance.tailSettled = false;
}

bool CheckedHost::noteSetting(TrackedInstance &instance, const hostsim::HostPanel &p, std::uint32_t controlId, std::int32_t value) {
    Settings *s = instance.settings ? &*instance.settings : nullptr;
    switch (controlId) {
        case controlLeafPoints: {
            // Whether the panel clamps a leaf size is the module's choice; the layout follows what it kept.
            const auto kept = p.get(controlLeafPoints);
            if (!kept) fail("the panel's get of control 0x8002 answered none after a set; expected the leaf size");
            if (s) s->leafPoints = static_cast<std::int32_t>(*kept);
            return true;
        }
        case controlTarget:
            if (s) s->targetIndex = value;
            instance.target = value != 0 ? itemIdAt(value) : nullptr;
            return true;
        case controlPivotType: if (s) s->pivotType = value; return true;
        case controlHeadingAlign: if (s) s->headingAlign = value; return true;
        case controlPitchAlign: if (s) s->pitchAlign = value; return true;
        default: return false;
    }
}

void CheckedHost::get(TrackedInstance &instance, std::uint32_t controlId) {
    hostsim::HostPanel &p = panel(instance);
    const bool known = controlId >= controlLeafPoints && controlId <= controlPitchAlign;
    void *raw = p.getRaw(controlId);
    if (known != (raw != nullptr))
        fail("the panel's get of control " + hex(controlId) + (known ? " answered none; expected the value's address" : " answered an address; expected none"));
    if (!known || controlId == controlLeaves || !instance.settings) return;
    std::int32_t value = 0;
    std::memcpy(&value, raw, sizeof value);
    const Settings &s = *instance.settings;
    const std::int32_t expected = controlId == controlLeafPoints ? s.leafPoints
                                  : controlId == controlTarget   ? s.targetIndex
                                  : controlId == controlPivotType ? s.pivotType
                                  : controlId == controlHeadingAlign ? s.headingAlign
                                                                     : s.pitchAlign;
    if (value != expected)
        fail("the panel's get of control " + hex(controlId) + " shows " + std::to_string(value) + "; expected " + std::to_string(expected));
}

void CheckedHost::edit(TrackedInstance &instance, std::uint32_t controlId, std::int32_t value) {
    hostsim::HostPanel &p = panel(instance);
    const std::size_t updatesBefore = host_.updates().size();
    const hostsim::EditOutcome outcome = host_.edit(p, controlId, value);
    if (outcome.setAnswer != 3) fail("the panel's set of control " + hex(controlId) + " answered " + std::to_string(outcome.setAnswer) + "; expected 3");
    noteSetting(instance, p, controlId, value);
    // The host's edit reads the leaf count and notifies, so the arrays match the new size.
    if (controlId == controlLeafPoints) instance.tailSettled = true;
    checkUpdates(updatesBefore, instance, controlId == controlLeafPoints);
}

void CheckedHost::notify(TrackedInstance &instance, std::uint32_t controlId, std::int32_t event) {
    hostsim::HostPanel &p = panel(instance);
    const std::size_t updatesBefore = host_.updates().size();
    host_.notify(p, controlId, event);
    const bool resized = controlId == controlLeafPoints && event == PANEL_EVENT_VALUE_CHANGED;
    if (resized) instance.tailSettled = false;
    checkUpdates(updatesBefore, instance, resized);
}

void CheckedHost::checkUpdates(std::size_t updatesBefore, TrackedInstance &changed, bool expectUpdate) {
    const auto &updates = host_.updates();
    const std::size_t count = updates.size() - updatesBefore;
    if (!expectUpdate) {
        if (count != 0) fail("a panel change other than Leaf points asked \"Instance Update\" " + std::to_string(count) + " times; expected never");
        return;
    }
    if (count != 1 || updates[updatesBefore].className != CLASS_DISPLACEMENT_HANDLER || updates[updatesBefore].instance != changed.handle)
        fail("the change of Leaf points asked \"Instance Update\" " + std::to_string(count) +
             " times; expected once, with \"" CLASS_DISPLACEMENT_HANDLER "\" and the instance");
    // The host has evaluated the instance anew: newTime, then a whole pass.
    changed.scanDue = true;
    if (basePositions(changed.object).empty()) return;
    beforeEvaluate(changed);
    try {
        checkFrame(changed, host_.lastPositions(changed.handle));
    } catch (const ValidationFailure &error) {
        fail(std::string("the pass after the change of Leaf points: ") + error.what());
    }
}

// --- Evaluation

void CheckedHost::newTime(TrackedInstance &instance, std::int32_t frame, double time) {
    if (const char *error = host_.newTime(instance.handle, frame, time)) fail(std::string("newTime answered the error \"") + error + "\"; expected none");
    instance.scanDue = true;
}

PassTally CheckedHost::frame(TrackedInstance &instance, std::int32_t frame) {
    newTime(instance, frame, host_.frames().timeOf(frame));
    if (!basePositions(instance.object).empty()) beforeEvaluate(instance);
    const std::vector<hostsim::Position> after = host_.evaluatePass(instance.handle);
    try {
        return checkFrame(instance, after);
    } catch (const ValidationFailure &error) {
        fail("frame " + std::to_string(frame) + ", " + error.what());
    }
}

PassTally CheckedHost::checkFrame(TrackedInstance &instance, const std::vector<Position> &after) {
    const std::vector<Position> before = basePositions(instance.object);
    const PassTally tally = checkFramePass(before, after, layoutOf(instance), !instance.tailSettled);
    tally_ += tally;
    instance.nextPoint = 0;
    return tally;
}

namespace {

void countVerdict(PassTally &tally, PointVerdict verdict) {
    if (verdict != PointVerdict::unchanged) ++tally.turned;
}

const Position *likelyPivot(const TrackedInstance &instance, std::size_t point) {
    const auto lp = instance.latestRule.leafPoints;
    const std::size_t leaf = lp < 2 ? point : point / static_cast<std::size_t>(lp);
    return leaf < instance.latestPivots.size() ? &instance.latestPivots[leaf] : nullptr;
}

}  // namespace

PassTally CheckedHost::pass(TrackedInstance &instance) {
    const std::vector<Position> before = basePositions(instance.object);
    if (!before.empty()) beforeEvaluate(instance);
    const std::vector<hostsim::Position> after = host_.evaluatePass(instance.handle);
    PassTally tally{before.size(), 0};
    for (std::size_t i = 0; i < before.size(); ++i) {
        try {
            countVerdict(tally, checkTurnedPoint(before[i], after[i], instance.pivots, likelyPivot(instance, i)));
        } catch (const ValidationFailure &error) {
            fail("a pass without newTime, point " + std::to_string(i) + ": " + error.what());
        }
    }
    instance.nextPoint = 0;
    tally_ += tally;
    return tally;
}

PassTally CheckedHost::evaluatePoints(TrackedInstance &instance, std::size_t count, const std::optional<Position> &offset) {
    const std::size_t points = basePositions(instance.object).size();
    PassTally tally;
    if (points == 0) return tally;
    beforeEvaluate(instance);
    for (std::size_t c = 0; c < count; ++c) {
        const std::size_t i = instance.nextPoint % points;
        PointAccess access = host_.pointAccess(instance.handle, i);
        if (offset)
            for (std::size_t axis = 0; axis < 3; ++axis) access.position[axis] += (*offset)[axis];
        const Position before{access.position[0], access.position[1], access.position[2]};
        host_.evaluate(instance.handle, access);
        const Position after{access.position[0], access.position[1], access.position[2]};
        try {
            countVerdict(tally, checkTurnedPoint(before, after, instance.pivots, likelyPivot(instance, i)));
        } catch (const ValidationFailure &error) {
            fail("point " + std::to_string(i) + " evaluated on its own: " + error.what());
        }
        ++tally.evaluated;
        instance.nextPoint = (i + 1) % points;
    }
    tally_ += tally;
    return tally;
}

void CheckedHost::beforeEvaluate(TrackedInstance &instance) {
    if (instance.target && *instance.target == nullptr)
        instance.target = instance.settings ? std::optional(itemIdAt(instance.settings->targetIndex)) : std::nullopt;
    if (instance.scanDue && host_.scene().meshOf(instance.object) != nullptr) {
        noteScan(instance);
        instance.scanDue = false;
    }
}

void CheckedHost::noteScan(TrackedInstance &instance) {
    const LeafRule rule = layoutOf(instance);
    instance.latestRule = rule;
    instance.latestPivots = scanPivots(basePositions(instance.object), rule);
    for (const Position &pivot : instance.latestPivots) {
        std::array<std::uint64_t, 3> bits{};
        std::memcpy(bits.data(), pivot.data(), sizeof bits);
        if (instance.pivotBits.insert(bits).second) instance.pivots.push_back(pivot);
    }
}

// --- The scene

std::vector<Position> CheckedHost::basePositions(ItemId object) {
    const auto index = host_.scene().indexOf(object);
    if (!index) return {};
    const hostsim::Item &item = host_.scene().scene().items[*index];
    if (!item.mesh) return {};
    std::vector<Position> positions;
    positions.reserve(item.mesh->points.size());
    for (const auto &p : item.mesh->points) positions.push_back({p[0], p[1], p[2]});
    return positions;
}

ItemId CheckedHost::itemIdAt(std::int32_t position) {
    const auto count = host_.scene().scene().items.size();
    if (position <= 0 || static_cast<std::size_t>(position) > count) return nullptr;
    return host_.scene().itemId(static_cast<std::size_t>(position) - 1);
}

std::optional<std::string> CheckedHost::itemNameAt(std::int32_t position) {
    if (position == 0) return "(none)";
    const auto &items = host_.scene().scene().items;
    if (items.empty()) return std::nullopt;
    if (position < 0) return items.front().name;
    if (static_cast<std::size_t>(position) > items.size()) return items.back().name;
    return items[static_cast<std::size_t>(position) - 1].name;
}

LeafRule CheckedHost::layoutOf(TrackedInstance &instance) {
    if (instance.settings) return {instance.settings->leafPoints, instance.settings->pivotType};
    hostsim::IntSink sink;
    host_.save(instance.handle, sink);
    const Settings reported = Settings::fromStored(sink.values());
    return {reported.leafPoints, reported.pivotType};
}

}  // namespace validate
