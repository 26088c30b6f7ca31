// The order of the settings in the data block the module saves, by the panel control of each.
#pragma once

#include "host/vistrelle_contract.h"

#include <array>
#include <cstdint>

namespace cli {

// The saved settings, one control each, in the order of the data block.
inline constexpr std::array<std::uint32_t, SETTING_COUNT> savedSettingControls = [] {
    std::array<std::uint32_t, SETTING_COUNT> controls{};
    controls[SETTING_LEAF_POINTS] = CTL_LEAF_POINTS;
    controls[SETTING_TARGET_INDEX] = CTL_TARGET;
    controls[SETTING_PIVOT_TYPE] = CTL_PIVOT_TYPE;
    controls[SETTING_HEADING_ALIGN] = CTL_H_ALIGN;
    controls[SETTING_PITCH_ALIGN] = CTL_P_ALIGN;
    return controls;
}();

}  // namespace cli
