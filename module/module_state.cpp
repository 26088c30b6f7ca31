#include "module/module_state.h"

namespace vistrel {

const ObjectInfo *objectInfoService = nullptr;
const ItemInfo *itemInfoService = nullptr;
InstanceUpdateFn instanceUpdateService = nullptr;
const XPanel *panelService = nullptr;

}  // namespace vistrel
