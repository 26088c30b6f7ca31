#include "panel/panel_tables.h"

namespace vistrel {

const ControlRecord panelControls[7] = {
    {CTL_LEAF_POINTS, "Object points", "integer"},
    {CTL_LEAVES, "Clones", "float"},
    {CTL_TARGET, "Target object", "iPopChoice"},
    {CTL_PIVOT_TYPE, "Pivot Type", "iPopChoice"},
    {CTL_H_ALIGN, "H Align", "iBoolean"},
    {CTL_P_ALIGN, "P Align", "iBoolean"},
    {0, nullptr, nullptr},
};

const DataRecord panelDataDescription[7] = {
    {CTL_LEAF_POINTS, "Leaf points", "integer"},
    {CTL_LEAVES, "Leaves", "float"},
    {CTL_TARGET, "Target object", "integer"},
    {CTL_PIVOT_TYPE, "Pivot Type", "integer"},
    {CTL_H_ALIGN, "H Align", "integer"},
    {CTL_P_ALIGN, "P Align", "integer"},
    {0, nullptr, nullptr},
};

#define VISTREL_PIVOT_NAME(rule, name) name,
const char *const pivotChoices[PIVOT_RULE_COUNT + 1] = {
    VISTRELLE_PIVOT_RULES(VISTREL_PIVOT_NAME) nullptr,
};
#undef VISTREL_PIVOT_NAME

}  // namespace vistrel
