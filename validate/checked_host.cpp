// The validator's host, instance side: activation with services taken away, the instance entries,
// and what the scene says the module should see.
#include "validate/checked_host.h"

#include "host/service_names.h"
#include "validate/validation_failure.h"

#include <algorithm>
#include <map>
#include <sstream>

namespace validate {
namespace {

constexpr std::int32_t interfaceVersion = HOST_INTERFACE_VERSION;
const std::vector<std::string> handlerServices = {SERVICE_OBJECT_INFO, SERVICE_ITEM_INFO,
                                                  SERVICE_INSTANCE_UPDATE};

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

// Takes named services away from the host until destruction.
class ServicesAway {
  public:
    ServicesAway(hostsim::ServiceRegistry &registry, const std::vector<std::string> &names)
        : registry_(registry) {
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
    return t.instanceOps.create && t.instanceOps.destroy && t.instanceOps.copy &&
           t.instanceOps.load && t.instanceOps.save && t.instanceOps.describe &&
           t.itemOps.useItems && t.renderOps.newTime && t.binding.evaluate && t.binding.flags;
}

}  // namespace

CheckedHost::CheckedHost(const std::filesystem::path &module, hostsim::Scene scene)
    : host_(module, std::move(scene)) {}

// --- Activation

std::int32_t CheckedHost::activateHandler(std::int32_t version,
                                          const std::vector<std::string> &missing) {
    hostsim::HandlerTables fresh;
    std::int32_t code = 0;
    std::vector<std::string> lookedUp;
    {
        ServicesAway away(host_.services(), missing);
        host_.services().clearLookups();
        code = host_.activateHandler(fresh, version);
        for (const auto &call : host_.services().lookups())
            lookedUp.push_back(call.use == SERVICE_LOOKUP_USE ? call.name
                                                              : call.name + " (use not 0)");
    }
    const bool lacking =
        std::any_of(handlerServices.begin(), handlerServices.end(), [&](const std::string &name) {
            return std::find(missing.begin(), missing.end(), name) != missing.end();
        });
    const std::int32_t expected = version != interfaceVersion ? ACTIVATE_BAD_VERSION
                                  : lacking                   ? ACTIVATE_NO_SERVICE
                                                              : ACTIVATE_OK;
    const std::string call = "activation of " CLASS_DISPLACEMENT_HANDLER " with version " +
                             std::to_string(version) +
                             (missing.empty() ? std::string() : " without " + listOf(missing));
    if (code != expected)
        fail(call + " answered " + std::to_string(code) + "; expected " + std::to_string(expected));
    if (expected == ACTIVATE_BAD_VERSION && !lookedUp.empty())
        fail(call + " looked up " + listOf(lookedUp) + "; expected nothing looked up");
    if (expected != 0 && !fresh.untouched())
        fail(call + " wrote into the host's tables; expected them untouched");
    if (expected == 0) {
        if (!fresh.hostSlotsIntact()) fail(call + " wrote into a slot that belongs to the host");
        if (!handlerFilled(fresh)) fail(call + " left an entry of the handler's tables empty");
        if (lookedUp != handlerServices)
            fail(call + " looked up " + listOf(lookedUp) + "; expected " + listOf(handlerServices));
    } else {
        activateHandler(interfaceVersion);
    }
    return code;
}

std::int32_t CheckedHost::activateInterface(TrackedInstance &instance, std::int32_t version,
                                            bool withoutPanelService, bool panelCreateFails) {
    hostsim::PanelOpening opening;
    std::vector<std::string> lookedUp;
    {
        ServicesAway away(host_.services(), withoutPanelService
                                                ? std::vector<std::string>{SERVICE_XPANEL}
                                                : std::vector<std::string>{});
        host_.panels().failCreate = panelCreateFails;
        host_.services().clearLookups();
        try {
            opening = host_.openPanel(instance.handle, version);
        } catch (...) {
            host_.panels().failCreate = false;
            throw;
        }
        host_.panels().failCreate = false;
        for (const auto &call : host_.services().lookups())
            lookedUp.push_back(call.use == SERVICE_LOOKUP_USE ? call.name
                                                              : call.name + " (use not 0)");
    }
    const std::int32_t expected = version != interfaceVersion                 ? ACTIVATE_BAD_VERSION
                                  : (withoutPanelService || panelCreateFails) ? ACTIVATE_NO_SERVICE
                                                                              : ACTIVATE_OK;
    const std::string call = "activation of " CLASS_DISPLACEMENT_INTERFACE " with version " +
                             std::to_string(version) +
                             (withoutPanelService ? " without \"" SERVICE_XPANEL "\"" : "") +
                             (panelCreateFails ? " while panelCreate fails" : "");
    if (opening.code != expected)
        fail(call + " answered " + std::to_string(opening.code) + "; expected " +
             std::to_string(expected));
    const InterfaceBinding &b = opening.binding;
    const bool entriesUntouched = b.optionsEntry == hostsim::interfaceSentinel(3) &&
                                  b.commandEntry == hostsim::interfaceSentinel(4);
    if (expected == ACTIVATE_BAD_VERSION) {
        if (!lookedUp.empty())
            fail(call + " looked up " + listOf(lookedUp) + "; expected nothing looked up");
        if (b.panel != hostsim::interfaceSentinel(2) || !entriesUntouched)
            fail(call + " wrote into the binding; expected it untouched");
    } else if (expected == ACTIVATE_NO_SERVICE) {
        if (b.panel != nullptr) fail(call + " left the binding's panel set; expected none");
        if (!entriesUntouched)
            fail(call + " wrote the binding's options or command entry; expected them untouched");
    } else {
        if (b.optionsEntry != nullptr || b.commandEntry != nullptr)
            fail(call + " left the options or command entry set; expected none");
        if (lookedUp != std::vector<std::string>{SERVICE_XPANEL})
            fail(call + " looked up " + listOf(lookedUp) +
                 "; expected \"" SERVICE_XPANEL "\" alone");
        hostsim::HostPanel &panel = *opening.panel;
        if (panel.viewInstance != instance.handle)
            fail(call + ": the panel views another instance than the one given");
        const auto data = panel.userData.find(PANEL_WHOLE);
        if (data == panel.userData.end() || data->second != instance.handle)
            fail(call + ": the panel's data is not the instance given");
        if (!panel.getFn || !panel.setFn) fail(call + ": the panel has no get or set callback");
        instance.panel = &panel;
    }
    if (expected != ACTIVATE_OK) activateInterface(instance, interfaceVersion);
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
    if (const char *error = host_.load(instance.handle, source))
        fail(std::string("load answered the error \"") + error + "\"; expected none");
    const std::size_t wanted = std::min<std::size_t>(values.size(), 5);
    if (source.delivered() > 5 || (values.size() >= 5 && source.delivered() != 5))
        fail("load read " + std::to_string(source.delivered()) + " integers of " +
             std::to_string(values.size()) + "; expected " + std::to_string(wanted));
    instance.settings =
        values.size() >= 5 ? std::optional(Settings::fromStored(values)) : std::nullopt;
    instance.tailSettled = false;
}

std::vector<std::int32_t> CheckedHost::save(TrackedInstance &instance) {
    hostsim::IntSink sink;
    if (const char *error = host_.save(instance.handle, sink))
        fail(std::string("save answered the error \"") + error + "\"; expected none");
    const std::vector<std::int32_t> values = sink.values();
    if (values.size() != 5)
        fail("save wrote " + std::to_string(values.size()) + " integers (" + listOf(values) +
             "); expected 5");
    if (instance.settings && values != instance.settings->stored())
        fail("save wrote " + listOf(values) + "; expected " + listOf(instance.settings->stored()) +
             ", the settings last loaded or set");
    return values;
}

void CheckedHost::checkDescribe(TrackedInstance &instance) {
    static const std::string prefix = "Vistrelobject: ";
    const std::string first = host_.describe(instance.handle);
    const std::string second = host_.describe(instance.handle);
    if (first != second)
        fail("describe answered \"" + first + "\", then \"" + second +
             "\"; expected the same line twice");
    if (!first.starts_with(prefix))
        fail("describe answered \"" + first + "\"; expected it to start with \"" + prefix + "\"");
    if (!instance.settings) return;
    const std::int32_t target = instance.settings->targetIndex;
    if (const auto name = itemNameAt(target)) {
        if (first != prefix + *name)
            fail("describe answered \"" + first + "\"; expected \"" + prefix + *name +
                 "\" for target " + std::to_string(target));
        return;
    }
    // A position outside the item list names no item of its own: any item's name, or none, will do.
    const std::string shown = first.substr(prefix.size());
    const auto &items = host_.scene().scene().items;
    const bool known = shown.empty() || shown == "(none)" ||
                       std::any_of(items.begin(), items.end(),
                                   [&](const hostsim::Item &item) { return item.name == shown; });
    if (!known)
        fail("describe answered \"" + first + "\" for target " + std::to_string(target) +
             "; expected the name of an item of the scene");
}

void CheckedHost::checkUseItems(TrackedInstance &instance) {
    const std::vector<ItemId> items = host_.useItems(instance.handle);
    if (items.size() > 1)
        fail("useItems listed " + std::to_string(items.size()) +
             " items; expected the target alone or nothing");
    if (!instance.target) return;
    const std::vector<ItemId> expected =
        *instance.target ? std::vector<ItemId>{*instance.target} : std::vector<ItemId>{};
    if (items != expected)
        fail(std::string("useItems listed ") + (items.empty() ? "nothing" : "an item") +
             "; expected " +
             (expected.empty() ? "nothing, no target being resolved" : "the resolved target"));
}

void CheckedHost::checkFlags(TrackedInstance &instance) {
    if (const std::uint32_t flags = host_.flags(instance.handle); flags != VISTRELLE_HANDLER_FLAGS)
        fail("flags answered " + std::to_string(flags) + "; expected " +
             std::to_string(VISTRELLE_HANDLER_FLAGS));
}

void CheckedHost::checkCopy(TrackedInstance &to, TrackedInstance &from) {
    const auto toBefore = save(to);
    const auto fromBefore = save(from);
    if (const char *error = host_.handler().instanceOps.copy(to.handle, from.handle))
        fail(std::string("copy answered the error \"") + error + "\"; expected none");
    if (save(to) != toBefore || save(from) != fromBefore)
        fail("copy changed the settings of an instance; expected both unchanged");
}

// --- The scene

std::vector<Position> CheckedHost::basePositions(ItemId object) {
    const auto index = host_.scene().indexOf(object);
    if (!index) return {};
    const hostsim::Item &item = host_.scene().scene().items[*index];
    if (!item.mesh) return {};
    return hostsim::toPositions(item.mesh->points);
}

ItemId CheckedHost::itemIdAt(std::int32_t position) {
    const auto count = host_.scene().scene().items.size();
    if (position <= 0 || static_cast<std::size_t>(position) > count) return nullptr;
    return host_.scene().itemId(static_cast<std::size_t>(position) - 1);
}

std::optional<std::string> CheckedHost::itemNameAt(std::int32_t position) {
    if (position == 0) return "(none)";
    const auto &items = host_.scene().scene().items;
    if (position < 0 || static_cast<std::size_t>(position) > items.size()) return std::nullopt;
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
