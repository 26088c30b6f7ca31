/* "LW Item Info 3": the host's item list, names and animated parameters. The host owns the table,
   valid until the next activation that looks it up; a module calls it from its own entries, never
   from a thread of its own. */
#ifndef VISTREL_HOST_ITEM_INFO_H
#define VISTREL_HOST_ITEM_INFO_H

#include "host/abi_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The item type of firstItem's `type`: which kind of item a walk of the list visits. Objects are
   the one kind this interface names; the list they start is every item of the scene, in the
   host's order. */
#define ITEM_TYPE_OBJECT 0

/* Parameter code of itemParam that asks for an item's position. */
#define ITEM_PARAM_POSITION 8

typedef struct ItemInfo {
    /* slot 1: the first item of kind `type` (ITEM_TYPE_OBJECT) under `parent`, which starts a walk
       of the list with nextItem.
       When: during any entry of the module.  Thread: the host's calling thread.  Owner: the item
       answered is the host's, valid while it is in the scene.  Null: a null `parent` means the
       top of the scene; a null answer, no such item.  Answers: the item, or null. */
    ItemId (*firstItem)(int32_t type, ItemId parent);
    /* slot 2: the item after `item` in the host's list.
       When: during any entry of the module.  Thread: the host's calling thread.  Owner: the item
       answered is the host's, valid while it is in the scene.  Null: a null answer ends the list.
       Answers: the next item, or null. */
    ItemId (*nextItem)(ItemId item);
    void *slot3; /* slot 3: host's own */
    void *slot4; /* slot 4: host's own */
    void *slot5; /* slot 5: host's own */
    void *slot6; /* slot 6: host's own */
    void *slot7; /* slot 7: host's own */
    void *slot8; /* slot 8: host's own */
    /* slot 9: the item's name.
       When: during any entry of the module.  Thread: the host's calling thread.  Owner: the text
       is the host's, valid while the item is in the scene.  Null: a null answer, an unknown item.
       Answers: the name, or null. */
    const char *(*itemName)(ItemId item);
    /* slot 10: parameter `code` of `item` at scene `time` (seconds) into `out`; the position
       (ITEM_PARAM_POSITION) is in the space of the mesh points.
       When: during any entry of the module.  Thread: the host's calling thread.  Owner: `out` is
       the caller's, written during the call only.  Null: `out` is never null; an unknown item or
       code gives zeros.  Answers: nothing. */
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
