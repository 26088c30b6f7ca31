// The options panel of an instance: built by the host's panel service from the module's tables and
// hints, talking to the module only through these callbacks.
#pragma once

#include <array>
#include <cstdint>

#include "host/abi_types.h"

namespace vistrel {

// The hint list of one panel: title, change callback, target popup, derived Leaves, pivot popup.
using PanelHints = std::array<std::uintptr_t, 19>;
PanelHints panelHints();

// Fetches "LWXPanel" (kept module-wide), makes the panel for `instance` and hands it, in this
// order, its hints, its data description and callbacks, the instance to view, and the instance as
// its data. None when the service is missing or the panel could not be made.
Panel buildOptionsPanel(ServiceLookup lookup, void *instance);

// Address of the control's value in the instance, or none. A read of Leaves stores the real
// quotient pointCount / leafPoints first.
void *getControlValue(void *instance, std::uint32_t controlId);
// Stores the 32-bit integer at `value` into the control's setting; answers PANEL_SET_ANSWER in
// every case.
std::int32_t setControlValue(void *instance, std::uint32_t controlId, void *value);
// Entries of the target popup: "(none)" and one per item of the host's list.
std::int32_t countTargetEntries(void *context);
// After a value change of Leaf points: re-makes the per-leaf arrays and asks the host to update.
void onPanelChange(Panel panel, std::uint32_t controlId, std::uint32_t unused, std::int32_t event);

}  // namespace vistrel
