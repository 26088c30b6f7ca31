// The item an instance turns its leaves toward, as the module reports it through useItems.
#pragma once

#include "hostsim/host.h"

#include <optional>
#include <string>

namespace cli {

struct ResolvedTarget {
    std::string name;
    const hostsim::Item *item = nullptr;  // in the host's scene; its motion gives the position

    hostsim::Point3 at(double time) const { return item->motion.at(time); }
};

// The first item of the instance's used-items list, found in the host's scene; nullopt when the
// list is empty or names no item of the scene (no target chosen, or not resolved yet).
std::optional<ResolvedTarget> resolvedTarget(hostsim::Host &host, void *instance);

}  // namespace cli
