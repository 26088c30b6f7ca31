// The C entries: one call each into the module's own functions. The per-point entries,
// vistrel_evaluate and vistrel_scan_point, are defined beside evaluate and the scan.
#include "module/c_entries.h"

#include "instance/item_list.h"
#include "instance/lifecycle.h"
#include "instance/persistence.h"
#include "module/activation.h"
#include "panel/options_panel.h"

extern "C" {

std::uintptr_t vistrel_startup(void) { return vistrel::moduleStartup(); }
void vistrel_shutdown(void) { vistrel::moduleShutdown(); }
std::int32_t vistrel_activate_handler(std::int32_t version, ServiceLookup lookup, void *binding) {
    return vistrel::activateHandler(version, lookup, binding);
}
std::int32_t vistrel_activate_interface(std::int32_t version, ServiceLookup lookup, void *binding) {
    return vistrel::activateInterface(version, lookup, binding);
}

void *vistrel_create(void *context, ItemId object) { return vistrel::create(context, object); }
void vistrel_destroy(void *instance) { vistrel::destroy(instance); }
const char *vistrel_copy(void *to, const void *from) { return vistrel::copy(to, from); }
const char *vistrel_load(void *instance, const LoadRecord *record) {
    return vistrel::load(instance, record);
}
const char *vistrel_save(void *instance, const SaveRecord *record) {
    return vistrel::save(instance, record);
}
const char *vistrel_describe(void *instance) { return vistrel::describe(instance); }
const ItemId *vistrel_use_items(void *instance) { return vistrel::useItems(instance); }
const char *vistrel_new_time(void *instance, std::int32_t frame, double time) {
    return vistrel::newTime(instance, frame, time);
}
std::uint32_t vistrel_flags(void *instance) { return vistrel::flags(instance); }

const char *vistrel_item_name_at(void *context, std::int32_t k) {
    return vistrel::itemNameAt(context, k);
}
void *vistrel_get_control_value(void *instance, std::uint32_t controlId) {
    return vistrel::getControlValue(instance, controlId);
}
std::int32_t vistrel_set_control_value(void *instance, std::uint32_t controlId, void *value) {
    return vistrel::setControlValue(instance, controlId, value);
}
std::int32_t vistrel_count_target_entries(void *context) {
    return vistrel::countTargetEntries(context);
}
void vistrel_on_panel_change(Panel panel, std::uint32_t controlId, std::uint32_t unused,
                             std::int32_t event) {
    vistrel::onPanelChange(panel, controlId, unused, event);
}

}  // extern "C"
