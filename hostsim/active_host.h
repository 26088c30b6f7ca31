// The stand-in host's one process-wide pointer. Some C entries of the host interface carry no
// context pointer (the service lookup, item info, panelCreate, "Instance Update"), so they find the
// objects of the host in use here. A Host sets it for its lifetime; only one may be active at a
// time.
#pragma once

namespace hostsim {

class Host;
class PanelService;
class SceneServices;
class ServiceRegistry;

struct ActiveHost {
    ServiceRegistry *registry = nullptr;
    SceneServices *scene = nullptr;
    PanelService *panels = nullptr;
    Host *host = nullptr;
};

// What is active now; all null when nothing is.
// The services' C entries read this on every call, so it is inline: one load, no call.
extern ActiveHost activeHostState;
inline const ActiveHost &activeHost() { return activeHostState; }

// Makes `active` the active host until destruction. Throws HostError when another is active.
class ActiveHostScope {
  public:
    explicit ActiveHostScope(const ActiveHost &active);
    ~ActiveHostScope();
    ActiveHostScope(const ActiveHostScope &) = delete;
    ActiveHostScope &operator=(const ActiveHostScope &) = delete;
};

}  // namespace hostsim
