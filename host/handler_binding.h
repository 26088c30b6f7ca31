/* The tables a host hands to the activation of a displacement handler. */
#ifndef VISTREL_HOST_HANDLER_BINDING_H
#define VISTREL_HOST_HANDLER_BINDING_H

#include "host/load_record.h"
#include "host/point_access.h"
#include "host/save_record.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct InstanceOps {
    void *slot1;                                                        /* slot 1: host's own */
    void *(*create)(void *context, ItemId object);                       /* slot 2: a new instance for the object; null when none could be made */
    void (*destroy)(void *instance);                                    /* slot 3: ends an instance; null does nothing */
    const char *(*copy)(void *to, const void *from);                    /* slot 4: null, no error */
    const char *(*load)(void *instance, const LoadRecord *record);      /* slot 5: reads the settings; null, no error */
    const char *(*save)(void *instance, const SaveRecord *record);      /* slot 6: writes the settings; null, no error */
    const char *(*describe)(void *instance);                            /* slot 7: one line, owned by the instance */
} InstanceOps;

typedef struct ItemOps {
    const ItemId *(*useItems)(void *instance);                          /* slot 1: items the instance depends on, closed by null */
    void *slot2;                                                        /* slot 2: host's own */
} ItemOps;

typedef struct RenderOps {
    void *slot1;                                                        /* slot 1: host's own */
    void *slot2;                                                        /* slot 2: host's own */
    const char *(*newTime)(void *instance, int32_t frame, double time); /* slot 3: a new pass begins; null, no error */
} RenderOps;

typedef struct HandlerBinding {
    InstanceOps *instanceOps;                                           /* slot 1: host's table of instance entries */
    ItemOps *itemOps;                                                   /* slot 2: host's table of item entries */
    RenderOps *renderOps;                                               /* slot 3: host's table of render entries */
    void (*evaluate)(void *instance, PointAccess *access);              /* slot 4: per-point displacement */
    uint32_t (*flags)(void *instance);                                  /* slot 5: the handler's flag word */
} HandlerBinding;

#ifdef __cplusplus
}
#endif

VISTREL_SLOT(InstanceOps, slot1, 1);
VISTREL_SLOT(InstanceOps, create, 2);
VISTREL_SLOT(InstanceOps, destroy, 3);
VISTREL_SLOT(InstanceOps, copy, 4);
VISTREL_SLOT(InstanceOps, load, 5);
VISTREL_SLOT(InstanceOps, save, 6);
VISTREL_SLOT(InstanceOps, describe, 7);
VISTREL_WORDS(InstanceOps, 7);

VISTREL_SLOT(ItemOps, useItems, 1);
VISTREL_SLOT(ItemOps, slot2, 2);
VISTREL_WORDS(ItemOps, 2);

VISTREL_SLOT(RenderOps, slot1, 1);
VISTREL_SLOT(RenderOps, slot2, 2);
VISTREL_SLOT(RenderOps, newTime, 3);
VISTREL_WORDS(RenderOps, 3);

VISTREL_SLOT(HandlerBinding, instanceOps, 1);
VISTREL_SLOT(HandlerBinding, itemOps, 2);
VISTREL_SLOT(HandlerBinding, renderOps, 3);
VISTREL_SLOT(HandlerBinding, evaluate, 4);
VISTREL_SLOT(HandlerBinding, flags, 5);
VISTREL_WORDS(HandlerBinding, 5);

#endif
