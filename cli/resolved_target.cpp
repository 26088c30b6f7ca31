// Naming the target from the used-items list.
#include "cli/resolved_target.h"

namespace cli {

std::optional<ResolvedTarget> resolvedTarget(hostsim::Host &host, void *instance) {
    for (const ItemId item : host.useItems(instance)) {
        const auto index = host.scene().indexOf(item);
        if (!index) continue;
        const hostsim::Item &found = host.scene().scene().items[*index];
        return ResolvedTarget{found.name, &found};
    }
    return std::nullopt;
}

}  // namespace cli
