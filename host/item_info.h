/* "LW Item Info 3": the host's item list, names and animated parameters. */
#ifndef VISTREL_HOST_ITEM_INFO_H
#define VISTREL_HOST_ITEM_INFO_H

#include "host/abi_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Parameter code of itemParam that asks for an item's position. */
#define ITEM_PARAM_POSITION 8

typedef struct ItemInfo {
    ItemId (*firstItem)(int32_t type, ItemId parent);   /* slot 1: first item of the type under parent; null when there is none */
    ItemId (*nextItem)(ItemId item);                   /* slot 2: the item after this one; null at the end */
    void *slot3;                                       /* slot 3: host's own */
    void *slot4;                                       /* slot 4: host's own */
    void *slot5;                                       /* slot 5: host's own */
    void *slot6;                                       /* slot 6: host's own */
    void *slot7;                                       /* slot 7: host's own */
    void *slot8;                                       /* slot 8: host's own */
    const char *(*itemName)(ItemId item);              /* slot 9: the item's name, owned by the host; null for an unknown item */
    void (*itemParam)(ItemId item, int32_t code, double time, double out[3]); /* slot 10: parameter `code` at `time` into out */
} ItemInfo;

#ifdef __cplusplus
}
#endif

VISTREL_SLOT(ItemInfo, firstItem, 1);
VISTREL_SLOT(ItemInfo, nextItem, 2);
VISTREL_SLOT(ItemInfo, itemName, 9);
VISTREL_SLOT(ItemInfo, itemParam, 10);
VISTREL_WORDS(ItemInfo, 10);

#endif
