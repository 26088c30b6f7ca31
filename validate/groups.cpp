#include "validate/groups.h"

#include <array>

namespace validate {

std::span<const Group> validationGroups() {
    static constexpr std::array<Group, 6> groups = {{
        {"descriptor", "descriptor, server list and activation of both classes", false,
         &runDescriptorGroup},
        {"lifecycle", "instance lifecycles on meshes of 0 to 10,000 points", true,
         &runLifecycleGroup},
        {"settings", "hostile settings through the panel and through load", false,
         &runSettingsGroup},
        {"geometry",
         "hostile geometry: non-finite, coincident, collinear, huge and tiny points and targets",
         true, &runGeometryGroup},
        {"call-order", "random call orders over several instances", true, &runCallOrderGroup},
        {"state", "save and load round trips and random data blocks", true, &runStateGroup},
    }};
    return groups;
}

}  // namespace validate
