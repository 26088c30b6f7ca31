// The module's five settings as one value, for the tools that drive it: the values a new instance
// starts with, and the order in which a scene stores them.
#pragma once

#include <cstdint>
#include <vector>

#include "host/vistrelle_contract.h"

namespace hostsim {

struct VistrelleSettings {
    std::int32_t leafPoints = 4;
    std::int32_t targetIndex = 0;
    std::int32_t pivotType = PIVOT_FIRST_POINT;
    std::int32_t headingAlign = 1;
    std::int32_t pitchAlign = 0;

    // The five integers in the order a scene stores them.
    std::vector<std::int32_t> stored() const {
        return {leafPoints, targetIndex, pivotType, headingAlign, pitchAlign};
    }
    // The settings of five stored integers; fewer than five give the values a new instance starts
    // with.
    static VistrelleSettings fromStored(const std::vector<std::int32_t> &values) {
        if (values.size() < SETTING_COUNT) return {};
        return {values[SETTING_LEAF_POINTS], values[SETTING_TARGET_INDEX],
                values[SETTING_PIVOT_TYPE], values[SETTING_HEADING_ALIGN],
                values[SETTING_PITCH_ALIGN]};
    }
    friend bool operator==(const VistrelleSettings &, const VistrelleSettings &) = default;
};

}  // namespace hostsim
