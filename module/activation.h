// Start-up, shutdown and the activations of the module's two servers.
#pragma once

#include <cstdint>

#include "host/server_entry.h"

namespace vistrel {

// Answers MODULE_STARTUP_ANSWER and does nothing else.
std::uintptr_t moduleStartup(void);
// Does nothing: no service is released, nothing is freed.
void moduleShutdown(void);
// "DisplacementHandler": fetches the three services it needs (stored even when one is missing) and
// writes the handler's entries into the host's tables. ACTIVATE_OK, ACTIVATE_BAD_VERSION or
// ACTIVATE_NO_SERVICE (a service missing, or no binding).
std::int32_t activateHandler(std::int32_t version, ServiceLookup lookup, void *binding);
// "DisplacementInterface": builds the options panel for the binding's instance and offers no
// options or command function. ACTIVATE_OK, ACTIVATE_BAD_VERSION or ACTIVATE_NO_SERVICE (no panel
// could be built).
std::int32_t activateInterface(std::int32_t version, ServiceLookup lookup, void *binding);

}  // namespace vistrel
