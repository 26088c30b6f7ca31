// Module-wide state shared by every instance: the host services that activation fetched.
#pragma once

#include "host/instance_update.h"
#include "host/item_info.h"
#include "host/object_info.h"
#include "host/xpanel.h"

namespace vistrel {

// Replaced by every activation of the handler ("LW Object Info 3", "LW Item Info 3", "Instance
// Update").
extern const ObjectInfo *objectInfoService;
extern const ItemInfo *itemInfoService;
extern InstanceUpdateFn instanceUpdateService;
// Replaced by every build of an options panel ("LWXPanel").
extern const XPanel *panelService;

}  // namespace vistrel
