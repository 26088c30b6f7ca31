// The options panel's static tables: controls, data description and the pivot rule names.
#pragma once

#include <cstdint>

#include "host/panel_tables.h"

namespace vistrel {

enum ControlId : std::uint32_t {
    CTL_LEAF_POINTS = 0x8002,  // "Object points" -> leafPoints
    CTL_LEAVES = 0x8003,       // "Clones" -> leafCount, display only
    CTL_TARGET = 0x8004,       // "Target object" -> targetIndex (and targetItem)
    CTL_PIVOT_TYPE = 0x8005,   // "Pivot Type" -> pivotType
    CTL_H_ALIGN = 0x8006,      // "H Align" -> headingAlign
    CTL_P_ALIGN = 0x8007,      // "P Align" -> pitchAlign
};

// One record per control in id order, closed by three zero words.
extern const ControlRecord panelControls[7];
extern const DataRecord panelDataDescription[7];
// The texts of the "Pivot Type" popup; the position of a text is the pivotType it stands for.
extern const char *const pivotChoices[5];

inline constexpr const char *panelTitle = "Tav's Vistrelle";

}  // namespace vistrel
