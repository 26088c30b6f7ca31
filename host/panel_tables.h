/* The tables a module hands to the host's panel service: controls, data description, callbacks,
   hint tags. The tables and texts are the module's and stay valid while the library is loaded. */
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

/* The one answer of a set callback, whatever it stored. */
#define PANEL_SET_ANSWER 3

/* Value change, the event code of a change notification that follows a set. */
#define PANEL_EVENT_VALUE_CHANGED 2

/* The panel's get callback: where the value of control `controlId` of `instance` is.
   When: whenever the panel shows or reads a control, never during an evaluation of the same
   instance.  Thread: the host's calling thread.  Owner: the value is the instance's; the host
   reads it at once, before any other call into the module.  Null: a null answer, a control
   without a value (an unknown id).  Answers: the address of the value (int32_t or double as the
   data description says), or null. */
typedef void *(*PanelGetFn)(void *instance, uint32_t controlId);
/* The panel's set callback: stores the value at `value` into control `controlId` of `instance`.
   When: whenever the user sets a control, never during an evaluation of the same instance; the
   change notification follows.  Thread: the host's calling thread.  Owner: `value` is the host's,
   read during the call only.  Null: a null `value` sets nothing.  Answers: PANEL_SET_ANSWER. */
typedef int32_t (*PanelSetFn)(void *instance, uint32_t controlId, void *value);
/* A popup's count callback: how many entries the popup lists.
   When: whenever the panel fills the popup, before its name calls.  Thread: the host's calling
   thread.  Owner: `context` is the instance the panel shows (panelViewInstance).  Null: `context`
   may be null; the count does not depend on it.  Answers: the number of entries. */
typedef int32_t (*PopupCountFn)(void *context);
/* A popup's name callback: the text of entry `index`, counted from 0.
   When: after the popup's count callback, once per entry it shows.  Thread: the host's calling
   thread.  Owner: the text is the module's or the host's item list's, valid until the next call
   into the module.  Null: `context` may be null; the answer is never null.
   Answers: the entry's text. */
typedef const char *(*PopupNameFn)(void *context, int32_t index);
/* The panel's change notification.
   When: after the user changed control `controlId` and the host read the controls derived from
   it (HINT_DERIVED), never during an evaluation.  Thread: the host's calling thread.  Owner:
   `panel` is the host's; the instance is found again through panelGetData.  Null: `panel` is
   never null.  Answers: nothing; `event` PANEL_EVENT_VALUE_CHANGED is a value change. */
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
