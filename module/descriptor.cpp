// _mod_descrip and the server list: the one symbol the library exports.
#include "host/module_descriptor.h"
#include "host/service_names.h"
#include "host/vistrelle_contract.h"
#include "module/c_entries.h"

namespace {

// Both servers share this one name text; the host tells them apart by class.
constexpr const char *serverName = VISTRELLE_SERVER_NAME;

const ServerEntry serverList[] = {
    {CLASS_DISPLACEMENT_HANDLER, serverName, vistrel_activate_handler, 0},
    {CLASS_DISPLACEMENT_INTERFACE, serverName, vistrel_activate_interface, 0},
    {nullptr, nullptr, nullptr, 0},
};

}  // namespace

extern "C" {
__attribute__((visibility("default"))) extern const ModuleDescriptor _mod_descrip;
const ModuleDescriptor _mod_descrip = {
    MODULE_MAGIC,    MODULE_DESCRIPTOR_VERSION, MODULE_SYSTEM_WORD,
    vistrel_startup, vistrel_shutdown,          serverList,
};
}
