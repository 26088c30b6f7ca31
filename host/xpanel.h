/* "LWXPanel": the host's panel service. */
#ifndef VISTREL_HOST_XPANEL_H
#define VISTREL_HOST_XPANEL_H

#include "host/panel_tables.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Panel kind of a panel that shows one instance's values. */
#define PANEL_KIND_VIEW 1

typedef struct XPanel {
    void *slot1;                                                                        /* slot 1: host's own */
    void *slot2;                                                                        /* slot 2: host's own */
    Panel (*panelCreate)(int32_t kind, const ControlRecord *controls);                 /* slot 3: a new panel; null when none could be made */
    void *slot4;                                                                        /* slot 4: host's own */
    int32_t (*panelDescribe)(Panel panel, const DataRecord *data, PanelGetFn get, PanelSetFn set); /* slot 5: data description and value callbacks */
    void (*panelHint)(Panel panel, uint32_t id, const uintptr_t *hints);               /* slot 6: reads the hint list before it returns */
    void *(*panelGetData)(Panel panel, uint32_t id);                                    /* slot 7: what panelSetData stored */
    void (*panelSetData)(Panel panel, uint32_t id, void *data);                         /* slot 8: user data of the panel */
    void *slot9;                                                                        /* slot 9: host's own */
    void *slot10;                                                                       /* slot 10: host's own */
    int32_t (*panelViewInstance)(Panel panel, void *instance);                          /* slot 11: the instance whose values the panel shows */
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
