/* "LWXPanel": the host's panel service. A module calls it while the interface's activation builds
   a panel, and panelGetData from the panel's callbacks. The host owns the service and every panel
   it makes; a module never destroys a panel. */
#ifndef VISTREL_HOST_XPANEL_H
#define VISTREL_HOST_XPANEL_H

#include "host/panel_tables.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Panel kind of a panel that shows one instance's values. */
#define PANEL_KIND_VIEW 1

/* The `id` of panelHint, panelGetData and panelSetData that stands for the whole panel rather
   than one control. */
#define PANEL_WHOLE 0u

/* What panelDescribe and panelViewInstance answer. */
#define PANEL_DONE 1    /* the panel took what it was given */
#define PANEL_UNKNOWN 0 /* not a panel of this service: nothing is kept */

typedef struct XPanel {
    void *slot1; /* slot 1: host's own */
    void *slot2; /* slot 2: host's own */
    /* slot 3: a new panel of `kind` (PANEL_KIND_VIEW) with the controls of `controls`.
       When: during an interface activation, first.  Thread: the host's calling thread.
       Owner: `controls`, closed by a zero id, is the module's and must stay valid while the
       panel lives; the panel is the host's.  Null: a null answer, no panel could be made.
       Answers: the panel, or null. */
    Panel (*panelCreate)(int32_t kind, const ControlRecord *controls);
    void *slot4; /* slot 4: host's own */
    /* slot 5: the panel's data description and the value callbacks it calls from then on.
       When: during an interface activation, after panelCreate.  Thread: the host's calling
       thread.  Owner: `data`, closed by a zero id, is the module's and must stay valid while the
       panel lives.  Null: a null `get` or `set` leaves the values unread or unset.
       Answers: PANEL_DONE or PANEL_UNKNOWN. */
    int32_t (*panelDescribe)(Panel panel, const DataRecord *data, PanelGetFn get, PanelSetFn set);
    /* slot 6: the hint list of the panel (id PANEL_WHOLE) or of control `id`.
       When: during an interface activation, after panelCreate.  Thread: the host's calling
       thread.  Owner: the host reads `hints` (HINT_END-closed) before it returns; the texts and
       functions it names are the module's and must stay valid while the panel lives.
       Null: a null `hints` hints nothing.  Answers: nothing. */
    void (*panelHint)(Panel panel, uint32_t id, const uintptr_t *hints);
    /* slot 7: what panelSetData stored under `id` (PANEL_WHOLE).
       When: during an interface activation or a panel callback.  Thread: the host's calling
       thread.  Owner: the pointer is the module's, as it was stored.  Null: a null answer,
       nothing was stored.  Answers: the stored pointer, or null. */
    void *(*panelGetData)(Panel panel, uint32_t id);
    /* slot 8: stores `data` (e.g. the instance) with the panel under `id` (PANEL_WHOLE).
       When: during an interface activation, after panelCreate.  Thread: the host's calling
       thread.  Owner: the host keeps the pointer, not what it points to.  Null: a null `data`
       stores nothing to find.  Answers: nothing. */
    void (*panelSetData)(Panel panel, uint32_t id, void *data);
    void *slot9;  /* slot 9: host's own */
    void *slot10; /* slot 10: host's own */
    /* slot 11: the instance whose values the panel shows: the `instance` of its get and set
       callbacks and the `context` of its popup callbacks.
       When: during an interface activation, after panelDescribe.  Thread: the host's calling
       thread.  Owner: the instance is the module's; the host keeps the pointer while the panel
       lives.  Null: a null instance shows no values.  Answers: PANEL_DONE or PANEL_UNKNOWN. */
    int32_t (*panelViewInstance)(Panel panel, void *instance);
} XPanel;

#ifdef __cplusplus
}
#endif

VISTREL_SLOT(XPanel, panelCreate, 3);
VISTREL_SLOT(XPanel, panelDescribe, 5);
VISTREL_SLOT(XPanel, panelHint, 6);
VISTREL_SLOT(XPanel, panelGetData, 7);
VISTREL_SLOT(XPanel, panelSetData, 8);
VISTREL_SLOT(XPanel, panelViewInstance, 11);
VISTREL_WORDS(XPanel, 11);

#endif
