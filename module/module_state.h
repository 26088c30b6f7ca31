// Module-wide state shared by every instance: the host services that activation fetched, and the
// truncated pi the module turns leaves with.
#pragma once

#include "host/instance_update.h"
#include "host/item_info.h"
#include "host/object_info.h"
#include "host/xpanel.h"

namespace vistrel {

// Pi as the module takes it everywhere, not at full double precision.
inline constexpr double PI_TRUNCATED = 3.1415926535;
inline constexpr double HALF_PI = PI_TRUNCATED / 2;

// Replaced by every activation of the handler ("LW Object Info 3", "LW Item Info 3", "Instance Update").
extern const ObjectInfo *objectInfoService;
extern const ItemInfo *itemInfoService;
extern InstanceUpdateFn instanceUpdateService;
// Replaced by every build of an options panel ("LWXPanel").
extern const XPanel *panelService;

}  // namespace vistrel
