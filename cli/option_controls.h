// The order of the settings in the data block the module saves, by the panel control of each.
#pragma once

#include "host/vistrelle_contract.h"

#include <cstdint>

namespace cli {

// The saved settings, one control each, in the order of the data block.
inline constexpr std::uint32_t savedSettingControls[] = {CTL_LEAF_POINTS, CTL_TARGET,
                                                         CTL_PIVOT_TYPE, CTL_H_ALIGN, CTL_P_ALIGN};

}  // namespace cli
