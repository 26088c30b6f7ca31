#include "panel/options_panel.h"

#include "host/service_names.h"
#include "host/xpanel.h"
#include "instance/item_list.h"
#include "instance/plugin_instance.h"
#include "module/c_entries.h"
#include "module/module_state.h"
#include "panel/panel_tables.h"

namespace vistrel {

namespace {

// A hint argument: the address of a text, table or callback as one word.
template <typename T>
std::uintptr_t word(T *address) {
    return reinterpret_cast<std::uintptr_t>(address);
}

}  // namespace

PanelHints panelHints() {
    return {
        HINT_TITLE,
        0,
        word(panelTitle),
        0,
        HINT_CHANGE_NOTIFY,
        word(&vistrel_on_panel_change),
        HINT_POPUP_FUNCS,
        CTL_TARGET,
        word(&vistrel_count_target_entries),
        word(&vistrel_item_name_at),
        HINT_DERIVED,
        CTL_LEAF_POINTS,
        CTL_LEAVES,
        0,
        HINT_STRING_LIST,
        CTL_PIVOT_TYPE,
        word(pivotChoices),
        0,
        HINT_END,
    };
}

Panel buildOptionsPanel(ServiceLookup lookup, void *instance) {
    const PanelHints hints = panelHints();
    panelService = lookup != nullptr
                       ? static_cast<const XPanel *>(lookup(SERVICE_XPANEL, SERVICE_LOOKUP_USE))
                       : nullptr;
    const XPanel *xpanel = panelService;
    if (xpanel == nullptr || xpanel->panelCreate == nullptr) return nullptr;
    Panel panel = xpanel->panelCreate(PANEL_KIND_VIEW, panelControls);
    if (panel == nullptr) return nullptr;
    if (xpanel->panelHint != nullptr) xpanel->panelHint(panel, PANEL_WHOLE, hints.data());
    if (xpanel->panelDescribe != nullptr) {
        xpanel->panelDescribe(panel, panelDataDescription, vistrel_get_control_value,
                              vistrel_set_control_value);
    }
    if (xpanel->panelViewInstance != nullptr) xpanel->panelViewInstance(panel, instance);
    if (xpanel->panelSetData != nullptr) xpanel->panelSetData(panel, PANEL_WHOLE, instance);
    return panel;
}

void *getControlValue(void *instance, std::uint32_t controlId) {
    auto *self = static_cast<PluginInstance *>(instance);
    if (self == nullptr) return nullptr;
    switch (controlId) {
        case CTL_LEAF_POINTS:
            return &self->leafPoints;
        case CTL_LEAVES:
            self->leafCount = realLeafCount(*self);
            return &self->leafCount;
        case CTL_TARGET:
            return &self->targetIndex;
        case CTL_PIVOT_TYPE:
            return &self->pivotType;
        case CTL_H_ALIGN:
            return &self->headingAlign;
        case CTL_P_ALIGN:
            return &self->pitchAlign;
        default:
            return nullptr;
    }
}

std::int32_t setControlValue(void *instance, std::uint32_t controlId, void *value) {
    auto *self = static_cast<PluginInstance *>(instance);
    if (self == nullptr || value == nullptr) return PANEL_SET_ANSWER;
    const std::int32_t v = *static_cast<const std::int32_t *>(value);
    switch (controlId) {
        case CTL_LEAF_POINTS:
            self->leafPoints = v;
            break;
        case CTL_TARGET:
            self->targetIndex = v;
            self->targetItem = v != 0 ? itemIdAt(v) : nullptr;
            break;
        case CTL_PIVOT_TYPE:
            self->pivotType = v;
            break;
        case CTL_H_ALIGN:
            self->headingAlign = v;
            break;
        case CTL_P_ALIGN:
            self->pitchAlign = v;
            break;
        default:
            break;  // Leaves is derived; other ids are not ours
    }
    // The leaf being turned was aimed with the settings as they were.
    self->aim.forget();
    return PANEL_SET_ANSWER;
}

std::int32_t countTargetEntries(void * /*context*/) { return countItems(); }

void onPanelChange(Panel panel, std::uint32_t controlId, std::uint32_t /*unused*/,
                   std::int32_t event) {
    if (event != PANEL_EVENT_VALUE_CHANGED || controlId != CTL_LEAF_POINTS) return;
    const XPanel *xpanel = panelService;
    if (xpanel == nullptr || xpanel->panelGetData == nullptr) return;
    auto *self = static_cast<PluginInstance *>(xpanel->panelGetData(panel, PANEL_WHOLE));
    if (self == nullptr) return;
    // The same quotient a read of Leaves stores, so the new size holds even if the host sent the
    // notification without reading Leaves first.
    self->leafCount = realLeafCount(*self);
    resizeLeafArrays(*self);
    if (instanceUpdateService != nullptr) instanceUpdateService(CLASS_DISPLACEMENT_HANDLER, self);
}

}  // namespace vistrel
