/* "LWXPanel": the host's panel service. The module calls it only while the interface's activation
   builds a panel, in the order create, hint, describe, view instance, set data, on the host's
   thread. The host owns the service and every panel it makes; the module never destroys a panel. */
#ifndef VISTREL_HOST_XPANEL_H
#define VISTREL_HOST_XPANEL_H

#include "host/panel_tables.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Panel kind of a panel that shows one instance's values. */
#define PANEL_KIND_VIEW 1

typedef struct XPanel {
    void *slot1; /* slot 1: host's own */
    void *slot2; /* slot 2: host's own */
    /* slot 3: a new panel of `kind` with the controls of the 0-closed table; null when none could
     * be made */
    Panel (*panelCreate)(int32_t kind, const ControlRecord *controls);
    void *slot4; /* slot 4: host's own */
    /* slot 5: the 0-closed data description and the value callbacks the panel calls from then on */
    int32_t (*panelDescribe)(Panel panel, const DataRecord *data, PanelGetFn get, PanelSetFn set);
    /* slot 6: the hint list (HINT_END-closed); the host reads it before it returns, the texts and
       functions it names stay valid */
    void (*panelHint)(Panel panel, uint32_t id, const uintptr_t *hints);
    /* slot 7: called from the change notification; what panelSetData stored, null when nothing was
     */
    void *(*panelGetData)(Panel panel, uint32_t id);
    /* slot 8: stores user data (the instance) with the panel; the host keeps the pointer, not what
     * it points to */
    void (*panelSetData)(Panel panel, uint32_t id, void *data);
    void *slot9;  /* slot 9: host's own */
    void *slot10; /* slot 10: host's own */
    /* slot 11: the instance whose values the panel shows, the context of its get, set and popup
     * callbacks */
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
