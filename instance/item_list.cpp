#include "instance/item_list.h"

#include "module/module_state.h"

namespace vistrel {

namespace {

constexpr const char *noneName = "(none)";

const char *nameOf(const ItemInfo &info, ItemId item) {
    const char *name = info.itemName != nullptr ? info.itemName(item) : nullptr;
    return name != nullptr ? name : "";
}

}  // namespace

const char *itemNameAt(void * /*context*/, std::int32_t k) {
    const ItemInfo *info = itemInfoService;
    if (k == 0 || info == nullptr || info->firstItem == nullptr) return noneName;
    ItemId item = info->firstItem(ITEM_TYPE_OBJECT, nullptr);
    if (item == nullptr) return noneName;
    const char *name = nameOf(*info, item);
    for (std::int32_t step = 1; step < k && item != nullptr && info->nextItem != nullptr; ++step) {
        item = info->nextItem(item);
        if (item != nullptr) name = nameOf(*info, item);
    }
    return name;
}

ItemId itemIdAt(std::int32_t k) {
    const ItemInfo *info = itemInfoService;
    if (k <= 0 || info == nullptr || info->firstItem == nullptr) return nullptr;
    ItemId item = info->firstItem(ITEM_TYPE_OBJECT, nullptr);
    for (std::int32_t step = 1; step < k && item != nullptr; ++step) {
        item = info->nextItem != nullptr ? info->nextItem(item) : nullptr;
    }
    return item;
}

std::int32_t countItems() {
    std::int32_t n = 1;
    const ItemInfo *info = itemInfoService;
    if (info == nullptr || info->firstItem == nullptr) return n;
    for (ItemId item = info->firstItem(ITEM_TYPE_OBJECT, nullptr); item != nullptr;
         item = info->nextItem != nullptr ? info->nextItem(item) : nullptr) {
        ++n;
    }
    return n;
}

}  // namespace vistrel
