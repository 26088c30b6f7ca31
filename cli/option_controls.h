// The controls of the module's options panel that the commands drive, and the order of the
// settings in the data block the module saves.
#pragma once

#include <cstdint>

namespace vistrelle {

inline constexpr std::uint32_t kLeafPointsControl = 0x8002;  // "Object points"
inline constexpr std::uint32_t kTargetControl = 0x8004;      // "Target object", a popup of the item list
inline constexpr std::uint32_t kPivotControl = 0x8005;       // "Pivot Type", a popup of the pivot rules
inline constexpr std::uint32_t kHAlignControl = 0x8006;      // "H Align"
inline constexpr std::uint32_t kPAlignControl = 0x8007;      // "P Align"

// The saved settings, one control each, in the order of the data block.
inline constexpr std::uint32_t kSavedSettingControls[] = {kLeafPointsControl, kTargetControl, kPivotControl,
                                                          kHAlignControl, kPAlignControl};

}  // namespace vistrelle
