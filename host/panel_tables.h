/* The tables a module hands to the host's panel service: controls, data description, callbacks,
   hint tags. The tables and texts are the module's and stay valid while the library is loaded. The
   host calls every callback on its own thread, never while it evaluates the same instance. */
#ifndef VISTREL_HOST_PANEL_TABLES_H
#define VISTREL_HOST_PANEL_TABLES_H

#include "host/abi_types.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct ControlRecord {
    uintptr_t id;             /* slot 1: control id; 0 closes the table */
    const char *label;        /* slot 2: the label the user sees */
    const char *controlClass; /* slot 3: the kind of control, e.g. "integer" */
} ControlRecord;

typedef struct DataRecord {
    uintptr_t id;         /* slot 1: control id; 0 closes the table */
    const char *name;     /* slot 2: the data name */
    const char *dataType; /* slot 3: "integer" (int32_t) or "float" (double) */
} DataRecord;

/* Called when the panel shows or reads a control of `instance` (what panelViewInstance bound).
   Returns the address of the value, owned by the instance and read by the host at once; null for an
   unknown id. */
typedef void *(*PanelGetFn)(void *instance, uint32_t controlId);
/* Called when the user sets a control of `instance`; stores the value at `value` (the host's, read
   during the call only) into control `controlId`, a null value or an unknown id changes nothing;
   answers 3. */
typedef int32_t (*PanelSetFn)(void *instance, uint32_t controlId, void *value);
/* Called when the panel fills a popup; `context` is the instance the panel shows. The number of
 * entries. */
typedef int32_t (*PopupCountFn)(void *context);
/* Called after PopupCountFn for each entry; the text of entry `index`, owned by the module or the
   host's item list, never null. */
typedef const char *(*PopupNameFn)(void *context, int32_t index);
/* Called after the user changed control `controlId` and after the host read the derived controls;
   `event` 2 is a value change; the instance is found again through panelGetData. */
typedef void (*PanelChangeFn)(Panel panel, uint32_t controlId, uint32_t unused, int32_t event);

/* Hint tags; the low byte of a tag gives its argument count, 0x81 one argument then a 0-closed
 * list. */
#define HINT_END 0u
#define HINT_TITLE 0x3d000b03u         /* 0, title text, 0 */
#define HINT_CHANGE_NOTIFY 0x3d000f01u /* PanelChangeFn */
#define HINT_POPUP_FUNCS 0x3d016203u   /* control id, PopupCountFn, PopupNameFn */
#define HINT_DERIVED \
    0x3d006781u /* control id, then the 0-closed list of controls derived from it */
#define HINT_STRING_LIST 0x3d014503u /* control id, null-closed array of texts, 0 */
#define HINT_ARG_LIST 0x81u /* low byte that announces an argument followed by a 0-closed list */

/* Value change, the event code of a change notification the module acts on. */
#define PANEL_EVENT_VALUE_CHANGED 2

#ifdef __cplusplus
}
#endif

VISTREL_SLOT(ControlRecord, id, 1);
VISTREL_SLOT(ControlRecord, label, 2);
VISTREL_SLOT(ControlRecord, controlClass, 3);
VISTREL_WORDS(ControlRecord, 3);

VISTREL_SLOT(DataRecord, id, 1);
VISTREL_SLOT(DataRecord, name, 2);
VISTREL_SLOT(DataRecord, dataType, 3);
VISTREL_WORDS(DataRecord, 3);

#endif
