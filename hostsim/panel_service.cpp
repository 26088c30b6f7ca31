// The panel service's entries and the host-side use of a panel's callbacks.
#include "hostsim/panel_service.h"

#include "hostsim/hex_text.h"
#include "hostsim/module_call.h"

#include "hostsim/active_host.h"
#include "hostsim/host_error.h"

#include <cmath>
#include <iomanip>
#include <limits>

namespace hostsim {
namespace {

extern "C" {
// panelCreate carries no context, so it reaches the active host's service; the others find the
// service the same way, since the panel handle is checked against it before it is followed.
static Panel hostPanelCreate(std::int32_t kind, const ControlRecord *controls) {
    PanelService *s = activeHost().panels;
    try {
        return s ? s->create(kind, controls) : nullptr;
    } catch (...) {
        return nullptr;
    }
}
static std::int32_t hostPanelDescribe(Panel panel, const DataRecord *data, PanelGetFn get,
                                      PanelSetFn set) {
    PanelService *s = activeHost().panels;
    try {
        return s ? s->describe(panel, data, get, set) : PANEL_UNKNOWN;
    } catch (...) {
        return PANEL_UNKNOWN;
    }
}
static void hostPanelHint(Panel panel, std::uint32_t id, const std::uintptr_t *hints) {
    try {
        if (PanelService *s = activeHost().panels) s->hint(panel, id, hints);
    } catch (...) {}
}
static void *hostPanelGetData(Panel panel, std::uint32_t id) {
    PanelService *s = activeHost().panels;
    return s ? s->getData(panel, id) : nullptr;
}
static void hostPanelSetData(Panel panel, std::uint32_t id, void *data) {
    try {
        if (PanelService *s = activeHost().panels) s->setData(panel, id, data);
    } catch (...) {}
}
static std::int32_t hostPanelViewInstance(Panel panel, void *instance) {
    PanelService *s = activeHost().panels;
    try {
        return s ? s->viewInstance(panel, instance) : PANEL_UNKNOWN;
    } catch (...) {
        return PANEL_UNKNOWN;
    }
}
}

// Reads a table of three-word records up to its closing record of three zero words.
template <typename Record, typename Entry, typename Convert>
void copyTable(const Record *table, const char *what, std::vector<Entry> &out, HostPanel &panel,
               Convert convert) {
    if (table == nullptr) return panel.noteError(std::string(what) + " table is null");
    for (std::size_t i = 0; i < maxPanelRecords; ++i) {
        const Record &r = table[i];
        const auto texts = convert(r);
        if (r.id == 0) {
            if (texts.first != nullptr || texts.second != nullptr)
                panel.noteError(std::string(what) + " table: record " + std::to_string(i + 1) +
                                " has id 0 but texts");
            return;
        }
        if (texts.first == nullptr || texts.second == nullptr)
            return panel.noteError(std::string(what) + " table: record " + std::to_string(i + 1) +
                                   " lacks a text");
        out.push_back({static_cast<std::uint32_t>(r.id), texts.first, texts.second});
    }
    panel.noteError(std::string(what) + " table not closed within " +
                    std::to_string(maxPanelRecords) + " records");
}

}  // namespace

const PanelDataEntry *HostPanel::dataEntry(std::uint32_t id) const {
    for (const auto &entry : data)
        if (entry.id == id) return &entry;
    return nullptr;
}

const PanelControl *HostPanel::control(std::uint32_t id) const {
    for (const auto &entry : controls)
        if (entry.id == id) return &entry;
    return nullptr;
}

void *HostPanel::getRaw(std::uint32_t id) const {
    if (getFn == nullptr) throw HostError("panel: no get callback was described");
    const CallScope call("panel get");
    return getFn(viewInstance, id);
}

std::optional<double> HostPanel::get(std::uint32_t id) const {
    const void *value = getRaw(id);
    if (value == nullptr) return std::nullopt;
    const PanelDataEntry *entry = dataEntry(id);
    if (entry != nullptr && entry->dataType == "float") return *static_cast<const double *>(value);
    return *static_cast<const std::int32_t *>(value);
}

std::int32_t HostPanel::set(std::uint32_t id, double value) const {
    if (setFn == nullptr) throw HostError("panel: no set callback was described");
    const PanelDataEntry *entry = dataEntry(id);
    if (entry != nullptr && entry->dataType == "float") {
        double v = value;
        const CallScope call("panel set");
        return setFn(viewInstance, id, &v);
    }
    if (!(value == std::trunc(value) && value >= std::numeric_limits<std::int32_t>::min() &&
          value <= std::numeric_limits<std::int32_t>::max()))
        throw HostError("panel: control " + hexText(id) + " takes a whole number, not " +
                        std::to_string(value));
    auto v = static_cast<std::int32_t>(value);
    const CallScope call("panel set");
    return setFn(viewInstance, id, &v);
}

std::vector<std::string> HostPanel::popupEntries(std::uint32_t id) const {
    const auto found = hints.popups.find(id);
    if (found == hints.popups.end() || found->second.count == nullptr ||
        found->second.name == nullptr)
        throw HostError("panel: control " + hexText(id) + " has no popup callbacks");
    const auto context = userData.find(0);
    void *data = context == userData.end() ? nullptr : context->second;
    const std::int32_t count = found->second.count(data);
    std::vector<std::string> entries;
    for (std::int32_t i = 0; i < count; ++i) {
        const char *name = found->second.name(data, i);
        entries.emplace_back(name ? name : "");
    }
    return entries;
}

const std::vector<std::string> &HostPanel::stringList(std::uint32_t id) const {
    const auto found = hints.stringLists.find(id);
    if (found == hints.stringLists.end())
        throw HostError("panel: control " + hexText(id) + " has no string list");
    return found->second;
}

void HostPanel::notifyRaw(std::uint32_t id, std::int32_t event) {
    if (hints.changeNotify == nullptr) throw HostError("panel: no change notification was hinted");
    hints.changeNotify(handle(), id, 0, event);
}

std::vector<std::uint32_t> HostPanel::derivedFrom(std::uint32_t id) const {
    const auto found = hints.derived.find(id);
    return found == hints.derived.end() ? std::vector<std::uint32_t>{} : found->second;
}

PanelService::PanelService() {
    table_.panelCreate = &hostPanelCreate;
    table_.panelDescribe = &hostPanelDescribe;
    table_.panelHint = &hostPanelHint;
    table_.panelGetData = &hostPanelGetData;
    table_.panelSetData = &hostPanelSetData;
    table_.panelViewInstance = &hostPanelViewInstance;
}

HostPanel *PanelService::find(Panel panel) const {
    for (const auto &p : panels_)
        if (p.get() == panel) return p.get();
    return nullptr;
}

void PanelService::noteError(HostPanel *panel, const std::string &what) {
    errors_.push_back(what);
    if (panel != nullptr) panel->noteError(what);
}

HostPanel *PanelService::known(Panel panel, const char *operation) {
    HostPanel *found = find(panel);
    if (found == nullptr)
        noteError(nullptr, std::string(operation) + " was given a panel this host did not make");
    return found;
}

Panel PanelService::create(std::int32_t kind, const ControlRecord *controls) {
    if (failCreate) return nullptr;
    auto panel = std::make_unique<HostPanel>();
    panel->kind = kind;
    panel->calls.emplace_back("panelCreate");
    copyTable(controls, "control", panel->controls, *panel, [](const ControlRecord &r) {
        return std::pair{r.label, r.controlClass};
    });
    if (panel->error) errors_.push_back(*panel->error);
    panels_.push_back(std::move(panel));
    return panels_.back()->handle();
}

std::int32_t PanelService::describe(Panel handle, const DataRecord *data, PanelGetFn get,
                                    PanelSetFn set) {
    HostPanel *panel = known(handle, "panelDescribe");
    if (panel == nullptr) return PANEL_UNKNOWN;
    panel->calls.emplace_back("panelDescribe");
    panel->data.clear();
    const bool hadError = panel->error.has_value();
    copyTable(data, "data", panel->data, *panel, [](const DataRecord &r) {
        return std::pair{r.name, r.dataType};
    });
    if (!hadError && panel->error) errors_.push_back(*panel->error);
    panel->getFn = get;
    panel->setFn = set;
    return PANEL_DONE;
}

void PanelService::hint(Panel handle, std::uint32_t id, const std::uintptr_t *hints) {
    HostPanel *panel = known(handle, "panelHint");
    if (panel == nullptr) return;
    panel->calls.emplace_back("panelHint");
    panel->hintControl = id;
    try {
        panel->hints = readHints(hints);
    } catch (const HostError &error) {
        noteError(panel, error.what());
    }
}

void *PanelService::getData(Panel handle, std::uint32_t id) {
    HostPanel *panel = find(handle);
    if (panel == nullptr) return nullptr;
    const auto found = panel->userData.find(id);
    return found == panel->userData.end() ? nullptr : found->second;
}

void PanelService::setData(Panel handle, std::uint32_t id, void *data) {
    HostPanel *panel = known(handle, "panelSetData");
    if (panel == nullptr) return;
    panel->calls.emplace_back("panelSetData");
    panel->userData[id] = data;
}

std::int32_t PanelService::viewInstance(Panel handle, void *instance) {
    HostPanel *panel = known(handle, "panelViewInstance");
    if (panel == nullptr) return PANEL_UNKNOWN;
    panel->calls.emplace_back("panelViewInstance");
    panel->viewInstance = instance;
    return PANEL_DONE;
}

}  // namespace hostsim
