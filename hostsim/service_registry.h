// The host's named services: what the lookup handed to every activation answers, and a record of
// each lookup made, so that a test can see what was asked for and in which order.
#pragma once

#include "host/abi_types.h"
#include "host/server_entry.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace hostsim {

struct ServiceLookupCall {
    std::string name;  // "" when the module passed a null name
    std::int32_t use = 0;
};

class ServiceRegistry {
  public:
    // Offers `service` under `name`, replacing what was offered there.
    void add(std::string name, void *service);
    // Takes the service away; the lookup then answers null for it.
    void remove(std::string_view name);
    // The service under `name` or null, without recording a lookup.
    void *find(std::string_view name) const;

    // A lookup as the module makes it: recorded, then answered.
    void *lookup(const char *name, std::int32_t use);
    const std::vector<ServiceLookupCall> &lookups() const { return lookups_; }
    // The names looked up, in order.
    std::vector<std::string> lookedUpNames() const;
    void clearLookups() { lookups_.clear(); }

  private:
    std::map<std::string, void *, std::less<>> services_;
    std::vector<ServiceLookupCall> lookups_;
};

// The ServiceLookup handed to activations: it asks the active host's registry (null when none).
ServiceLookup serviceLookupFunction();

// Calls the server's activation with `version`, the service lookup and `binding`; its answer.
std::int32_t activate(const ServerEntry &server, std::int32_t version, void *binding);

}  // namespace hostsim
