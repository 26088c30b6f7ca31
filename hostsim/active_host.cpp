// The active host pointer and its scope.
#include "hostsim/active_host.h"

#include "hostsim/host_error.h"

namespace hostsim {
// The one global: see active_host.h for why it must exist.
ActiveHost activeHostState;

ActiveHostScope::ActiveHostScope(const ActiveHost &host) {
    if (activeHostState.registry != nullptr || activeHostState.scene != nullptr ||
        activeHostState.panels != nullptr || activeHostState.host != nullptr)
        throw HostError(
            "stand-in host: another host is active; the module's services can reach only one");
    activeHostState = host;
}

ActiveHostScope::~ActiveHostScope() { activeHostState = {}; }

}  // namespace hostsim
