/* The tables a host hands to the activation of a displacement handler, and the entries the module
   writes into them: the life of an instance (create ... destroy) and its passes (newTime, then
   evaluate for every point). The host calls the entries of one instance one at a time; `instance`
   is what create answered. */
#ifndef VISTREL_HOST_HANDLER_BINDING_H
#define VISTREL_HOST_HANDLER_BINDING_H

#include "host/load_record.h"
#include "host/point_access.h"
#include "host/save_record.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct InstanceOps {
    /* slot 1: the host's own word, never touched by the module */
    void *slot1;
    /* slot 2: makes the instance of the displacement applied to `object`.
       When: when the displacement is applied, after the handler's activation; first of the
       instance's entries.  Thread: the host's calling thread.  Owner: `context` is the host's and
       means nothing to the module; the instance answered is the module's until destroy.
       Null: a null answer means no instance could be made, and the host applies nothing.
       Answers: the new instance, or null. */
    void *(*create)(void *context, ItemId object);
    /* slot 3: frees the instance and all it owns.
       When: once per instance, last; nothing else is called for it afterwards.  Thread: the host's
       calling thread.  Owner: the instance is the module's until it returns, then gone, with every
       text it answered.  Null: the host passes no null instance.  Answers: nothing. */
    void (*destroy)(void *instance);
    /* slot 4: makes `to` a copy of `from`.
       When: when the host duplicates an instance, between passes.  Thread: the host's calling
       thread.  Owner: both instances are the module's.  Null: the host passes no null instance.
       Answers: ENTRY_NO_ERROR, or an error text (abi_types.h). */
    const char *(*copy)(void *to, const void *from);
    /* slot 5: reads the instance's settings back from a scene.
       When: when a scene is loaded, after create and between passes.  Thread: the host's calling
       thread.  Owner: `record` is the host's, valid during the call only.  Null: the host passes
       no null instance or record.  Answers: ENTRY_NO_ERROR, or an error text (abi_types.h). */
    const char *(*load)(void *instance, const LoadRecord *record);
    /* slot 6: writes the instance's settings into a scene.
       When: when a scene is saved, between passes.  Thread: the host's calling thread.
       Owner: `record` is the host's, valid during the call only.  Null: the host passes no null
       instance or record.  Answers: ENTRY_NO_ERROR, or an error text (abi_types.h). */
    const char *(*save)(void *instance, const SaveRecord *record);
    /* slot 7: the instance's one-line description, e.g. for the host's list of displacements.
       When: whenever the host shows the instance by name, between passes.  Thread: the host's
       calling thread.  Owner: the text is the instance's, valid until its next describe or
       destroy.  Null: the host passes no null instance.  Answers: the text, never null. */
    const char *(*describe)(void *instance);
} InstanceOps;

typedef struct ItemOps {
    /* slot 1: the items the instance's passes depend on.
       When: before a pass, and whenever the host orders its items.  Thread: the host's calling
       thread.  Owner: the list is the module's, valid until the next useItems call of any
       instance.  Null: the host passes no null instance; a lone null entry is an empty list.
       Answers: the items, closed by a null entry. */
    const ItemId *(*useItems)(void *instance);
    /* slot 2: the host's own word, never touched by the module */
    void *slot2;
} ItemOps;

typedef struct RenderOps {
    /* slots 1, 2: the host's own words, never touched by the module */
    void *slot1;
    void *slot2;
    /* slot 3: begins a pass for `frame` at scene time `time` (seconds).
       When: at the start of every pass, before the pass's first evaluate.  Thread: the host's
       calling thread.  Owner: no pointer is passed but the instance.  Null: the host passes no
       null instance.  Answers: ENTRY_NO_ERROR, or an error text (abi_types.h). */
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
    /* slot 4, written: displaces one point; the displaced position goes to access->position.
       When: once per point of the object in a pass, after newTime, in the order in which
       meshScanPoints visits the points, never two at a time for one instance.  Thread: the host's
       calling thread.  Owner: `access` is the host's, valid during the call only; access->mesh is
       the host's.  Null: a null access->mesh means the mesh cannot be read during this call.
       Answers: nothing. */
    void (*evaluate)(void *instance, PointAccess *access);
    /* slot 5, written: the handler's flag word.
       When: whenever the host needs it, between passes.  Thread: the host's calling thread.
       Owner: no pointer is passed but the instance.  Null: the host passes no null instance.
       Answers: the flag word; its bits are the host's to define. */
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
