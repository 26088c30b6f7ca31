/* The tables a host hands to the activation of a displacement handler, and the entries the module
   writes into them: the life of an instance (create ... destroy) and its passes (newTime, then
   evaluate for every point). */
#ifndef VISTREL_HOST_HANDLER_BINDING_H
#define VISTREL_HOST_HANDLER_BINDING_H

#include "host/load_record.h"
#include "host/point_access.h"
#include "host/save_record.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Every entry below is called on the host's calling thread, one call at a time: the module takes no
   locks and starts no threads. `instance` is what create returned; the module owns it until
   destroy. */

typedef struct InstanceOps {
    /* slot 1: the host's own word, never touched by the module */
    void *slot1;
    /* slot 2: called when the displacement is applied to `object`, after activation; `context` is
       the host's and not read. Returns the new instance, owned by the module until destroy; null
       when none could be made (no memory), and the host then applies nothing. */
    void *(*create)(void *context, ItemId object);
    /* slot 3: called once per instance, last; nothing else is called for it afterwards. Frees the
       instance and all it owns (the text of describe included); a null instance does nothing. */
    void (*destroy)(void *instance);
    /* slot 4: called when the host duplicates an instance; reads nothing and copies nothing.
       Returns null: no error. */
    const char *(*copy)(void *to, const void *from);
    /* slot 5: called when a scene is loaded, after create and between passes. `record` is the
       host's, valid only during the call; its integers are read in stored order. Returns null: no
       error, also when the record delivers fewer integers than asked. */
    const char *(*load)(void *instance, const LoadRecord *record);
    /* slot 6: called when a scene is saved, between passes. `record` is the host's, valid only
       during the call; the settings are written in stored order. Returns null: no error. */
    const char *(*save)(void *instance, const SaveRecord *record);
    /* slot 7: called when the host shows the instance by name, e.g. in its list of displacements.
       Returns one line owned by the instance, valid until its next describe or destroy; "" for a
       null instance. */
    const char *(*describe)(void *instance);
} InstanceOps;

typedef struct ItemOps {
    /* slot 1: called before a pass, to learn what the instance depends on. Returns a list of items
       closed by null, owned by the module and shared by all instances: valid until the next
       useItems call of any instance; the list is empty (a lone null) while no target is resolved.
     */
    const ItemId *(*useItems)(void *instance);
    /* slot 2: the host's own word, never touched by the module */
    void *slot2;
} ItemOps;

typedef struct RenderOps {
    /* slots 1, 2: the host's own words, never touched by the module */
    void *slot1;
    void *slot2;
    /* slot 3: called at the start of every pass, before the pass's first evaluate, with the frame
       number and the scene time the pass is for; the next evaluate measures the leaves anew.
       Returns null: no error. */
    const char *(*newTime)(void *instance, int32_t frame, double time);
} RenderOps;

/* The record the host hands to the handler's activation: the host owns it and its three tables; the
   activation fills the module's entries into them and keeps no pointer to any of them. */
typedef struct HandlerBinding {
    /* slot 1, given: the host's table of instance entries, filled by the activation */
    InstanceOps *instanceOps;
    /* slot 2, given: the host's table of item entries, filled by the activation */
    ItemOps *itemOps;
    /* slot 3, given: the host's table of render entries, filled by the activation */
    RenderOps *renderOps;
    /* slot 4, written: called once per point of the object in a pass, after newTime, in the order
       in which meshScanPoints visits the points, never two at a time for one instance. `access` is
       the host's and valid only during the call; the displaced position is written to
       access->position. While access->mesh is null the leaves cannot be measured and every point
       comes back unchanged. */
    void (*evaluate)(void *instance, PointAccess *access);
    /* slot 5, written: called when the host needs the handler's flag word; answers 1 for any
     * instance */
    uint32_t (*flags)(void *instance);
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
