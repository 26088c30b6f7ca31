// The options panel's static tables: controls, data description and the pivot rule names.
#pragma once

#include <cstdint>

#include "host/panel_tables.h"
#include "host/vistrelle_contract.h"

namespace vistrel {

// One record per control in id order, closed by three zero words.
extern const ControlRecord panelControls[7];
extern const DataRecord panelDataDescription[7];
// The texts of the "Pivot Type" popup; the position of a text is the pivotType it stands for.
extern const char *const pivotChoices[PIVOT_RULE_COUNT + 1];

inline constexpr const char *panelTitle = "Tav's Vistrelle";

}  // namespace vistrel
