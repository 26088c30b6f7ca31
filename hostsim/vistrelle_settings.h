// The module's five settings as one value, for the tools that drive it: the values a new instance
// starts with, and the order in which a scene stores them; and the pivot rules' names. All of it
// comes from host/vistrelle_contract.h.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "host/vistrelle_contract.h"

namespace hostsim {

struct VistrelleSettings {
    std::int32_t leafPoints = DEFAULT_LEAF_POINTS;
    std::int32_t targetIndex = DEFAULT_TARGET_INDEX;
    std::int32_t pivotType = DEFAULT_PIVOT_TYPE;
    std::int32_t headingAlign = DEFAULT_HEADING_ALIGN;
    std::int32_t pitchAlign = DEFAULT_PITCH_ALIGN;

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

// The pivot rules' names as the module's panel lists them; a rule's pivotType is its position.
#define HOSTSIM_PIVOT_NAME(rule, name) name,
inline constexpr std::array<const char *, PIVOT_RULE_COUNT> pivotRuleNames = {
    VISTRELLE_PIVOT_RULES(HOSTSIM_PIVOT_NAME)};
#undef HOSTSIM_PIVOT_NAME

}  // namespace hostsim
