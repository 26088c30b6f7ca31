// _mod_descrip and the server list: the one symbol the library exports.
#include "host/module_descriptor.h"
#include "module/activation.h"

namespace {

// Both servers share this one name text; the host tells them apart by class.
constexpr const char *serverName = "Vistrelle";

const ServerEntry serverList[] = {
    {"DisplacementHandler", serverName, vistrel::activateHandler, 0},
    {"DisplacementInterface", serverName, vistrel::activateInterface, 0},
    {nullptr, nullptr, nullptr, 0},
};

}  // namespace

extern "C" {
__attribute__((visibility("default"))) extern const ModuleDescriptor _mod_descrip;
const ModuleDescriptor _mod_descrip = {
    MODULE_MAGIC, 3, 0x300, vistrel::moduleStartup, vistrel::moduleShutdown, serverList,
};
}
