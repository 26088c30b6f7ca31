#include "module/activation.h"

#include "host/handler_binding.h"
#include "host/interface_binding.h"
#include "host/module_descriptor.h"
#include "host/service_names.h"
#include "module/c_entries.h"
#include "module/module_state.h"
#include "panel/options_panel.h"

namespace vistrel {

namespace {

void *fetch(ServiceLookup lookup, const char *name) {
    return lookup != nullptr ? lookup(name, SERVICE_LOOKUP_USE) : nullptr;
}

void fillHandlerTables(HandlerBinding &binding) {
    if (InstanceOps *ops = binding.instanceOps) {
        ops->create = vistrel_create;
        ops->destroy = vistrel_destroy;
        ops->copy = vistrel_copy;
        ops->load = vistrel_load;
        ops->save = vistrel_save;
        ops->describe = vistrel_describe;
    }
    if (ItemOps *ops = binding.itemOps) ops->useItems = vistrel_use_items;
    if (RenderOps *ops = binding.renderOps) ops->newTime = vistrel_new_time;
    binding.evaluate = vistrel_evaluate;
    binding.flags = vistrel_flags;
}

}  // namespace

std::uintptr_t moduleStartup(void) { return MODULE_STARTUP_ANSWER; }

void moduleShutdown(void) {}

std::int32_t activateHandler(std::int32_t version, ServiceLookup lookup, void *binding) {
    if (version != HOST_INTERFACE_VERSION) return ACTIVATE_BAD_VERSION;
    objectInfoService = static_cast<const ObjectInfo *>(fetch(lookup, SERVICE_OBJECT_INFO));
    itemInfoService = static_cast<const ItemInfo *>(fetch(lookup, SERVICE_ITEM_INFO));
    instanceUpdateService =
        reinterpret_cast<InstanceUpdateFn>(fetch(lookup, SERVICE_INSTANCE_UPDATE));
    if (objectInfoService == nullptr || itemInfoService == nullptr ||
        instanceUpdateService == nullptr) {
        return ACTIVATE_NO_SERVICE;
    }
    if (binding == nullptr) return ACTIVATE_NO_SERVICE;
    fillHandlerTables(*static_cast<HandlerBinding *>(binding));
    return ACTIVATE_OK;
}

std::int32_t activateInterface(std::int32_t version, ServiceLookup lookup, void *binding) {
    if (version != HOST_INTERFACE_VERSION) return ACTIVATE_BAD_VERSION;
    if (binding == nullptr) return ACTIVATE_NO_SERVICE;
    auto &interface = *static_cast<InterfaceBinding *>(binding);
    try {
        interface.panel = buildOptionsPanel(lookup, interface.instance);
    } catch (...) {
        interface.panel = nullptr;
    }
    if (interface.panel == nullptr) return ACTIVATE_NO_SERVICE;
    interface.optionsEntry = nullptr;
    interface.commandEntry = nullptr;
    return ACTIVATE_OK;
}

}  // namespace vistrel
