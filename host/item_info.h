/* "LW Item Info 3": the host's item list, names and animated parameters. The module calls these on
   the host's thread from its own entries (evaluate, describe, the panel callbacks); the host owns
   the table, which stays valid until the next activation. */
#ifndef VISTREL_HOST_ITEM_INFO_H
#define VISTREL_HOST_ITEM_INFO_H

#include "host/abi_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Parameter code of itemParam that asks for an item's position. */
#define ITEM_PARAM_POSITION 8

typedef struct ItemInfo {
    /* slot 1: the first item of `type` under `parent` (null: at the top); null when there is none
     */
    ItemId (*firstItem)(int32_t type, ItemId parent);
    /* slot 2: the item after `item` in the host's list; null at the end */
    ItemId (*nextItem)(ItemId item);
    void *slot3; /* slot 3: host's own */
    void *slot4; /* slot 4: host's own */
    void *slot5; /* slot 5: host's own */
    void *slot6; /* slot 6: host's own */
    void *slot7; /* slot 7: host's own */
    void *slot8; /* slot 8: host's own */
    /* slot 9: the item's name, owned by the host and valid while the item is; null for an unknown
     * item */
    const char *(*itemName)(ItemId item);
    /* slot 10: parameter `code` of `item` at scene `time` into `out`, which the caller owns; the
       position (ITEM_PARAM_POSITION) is in the space of the mesh points. Called once per evaluated
       point while a target is chosen. */
    void (*itemParam)(ItemId item, int32_t code, double time, double out[3]);
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
