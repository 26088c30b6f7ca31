// The active host pointer and its scope.
#include "hostsim/active_host.h"

#include "hostsim/host_error.h"

namespace hostsim {
namespace {

// The one global: see active_host.h for why it must exist.
ActiveHost active;

}  // namespace

const ActiveHost &activeHost() { return active; }

ActiveHostScope::ActiveHostScope(const ActiveHost &host) {
    if (active.registry != nullptr || active.scene != nullptr || active.panels != nullptr || active.host != nullptr)
        throw HostError("stand-in host: another host is active; the module's services can reach only one");
    active = host;
}

ActiveHostScope::~ActiveHostScope() { active = {}; }

}  // namespace hostsim
