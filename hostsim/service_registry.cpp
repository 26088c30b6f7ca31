// Service registry and the C lookup entry.
#include "hostsim/service_registry.h"

#include "hostsim/active_host.h"

namespace hostsim {
namespace {

extern "C" void *hostServiceLookup(const char *name, std::int32_t use) {
    ServiceRegistry *registry = activeHost().registry;
    if (registry == nullptr) return nullptr;
    try {
        return registry->lookup(name, use);
    } catch (...) {
        return nullptr;
    }
}

}  // namespace

void ServiceRegistry::add(std::string name, void *service) { services_[std::move(name)] = service; }

void ServiceRegistry::remove(std::string_view name) {
    if (const auto found = services_.find(name); found != services_.end()) services_.erase(found);
}

void *ServiceRegistry::find(std::string_view name) const {
    const auto found = services_.find(name);
    return found == services_.end() ? nullptr : found->second;
}

void *ServiceRegistry::lookup(const char *name, std::int32_t use) {
    lookups_.push_back({name ? name : "", use});
    return name ? find(name) : nullptr;
}

std::vector<std::string> ServiceRegistry::lookedUpNames() const {
    std::vector<std::string> names;
    for (const auto &call : lookups_) names.push_back(call.name);
    return names;
}

ServiceLookup serviceLookupFunction() { return &hostServiceLookup; }

std::int32_t activate(const ServerEntry &server, std::int32_t version, void *binding) {
    return server.activateFn(version, &hostServiceLookup, binding);
}

}  // namespace hostsim
