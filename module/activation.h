// Start-up, shutdown and the activations of the module's two servers.
#pragma once

#include <cstdint>

#include "host/server_entry.h"

namespace vistrel {

// Answers 4 and does nothing else.
std::uintptr_t moduleStartup(void);
// Does nothing: no service is released, nothing is freed.
void moduleShutdown(void);
// "DisplacementHandler": fetches the three services it needs (stored even when one is missing) and
// writes the handler's entries into the host's tables. 0, 1 (version not 4) or 2 (a service
// missing).
std::int32_t activateHandler(std::int32_t version, ServiceLookup lookup, void *binding);
// "DisplacementInterface": builds the options panel for the binding's instance.
// 0, 1 (version not 4) or 2 (no panel could be built).
std::int32_t activateInterface(std::int32_t version, ServiceLookup lookup, void *binding);

}  // namespace vistrel
