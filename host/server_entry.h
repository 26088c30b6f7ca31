/* One entry of the module's server list: a plug-in class served under a name. */
#ifndef VISTREL_HOST_SERVER_ENTRY_H
#define VISTREL_HOST_SERVER_ENTRY_H

#include "host/abi_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The interface version both activations accept. */
#define HOST_INTERFACE_VERSION 4

/* The answers of an activation. ACTIVATE_OK: the binding record is filled. ACTIVATE_BAD_VERSION:
   `version` is not HOST_INTERFACE_VERSION; nothing was looked up or written. ACTIVATE_NO_SERVICE:
   a service the class needs is missing, or its panel could not be made. */
#define ACTIVATE_OK 0
#define ACTIVATE_BAD_VERSION 1
#define ACTIVATE_NO_SERVICE 2

/* The activation of a class: looks up the services the class needs and fills `binding` with its
   entries.
   When: after startupFn, whenever the host needs the class: for the handler before it creates
   instances, for the interface each time it opens an instance's options; any number of times.
   Thread: the host's calling thread.  Owner: `binding` is the class's record (HandlerBinding,
   InterfaceBinding), the host's, valid during the call only; the services looked up replace those
   of any earlier activation and are valid until the next one.  Null: a host passes neither a null
   `lookup` nor a null `binding`.  Answers: ACTIVATE_OK, ACTIVATE_BAD_VERSION or
   ACTIVATE_NO_SERVICE. */
typedef int32_t (*ActivateFn)(int32_t version, ServiceLookup lookup, void *binding);

typedef struct ServerEntry {
    const char *pluginClass; /* slot 1: class name text, the module's; null closes the list */
    const char *serverName;  /* slot 2: server name text, the module's */
    ActivateFn activateFn;   /* slot 3: activation of this class; null only in the closing entry */
    uintptr_t extraInfo;     /* slot 4: 0 */
} ServerEntry;

#ifdef __cplusplus
}
#endif

VISTREL_SLOT(ServerEntry, pluginClass, 1);
VISTREL_SLOT(ServerEntry, serverName, 2);
VISTREL_SLOT(ServerEntry, activateFn, 3);
VISTREL_SLOT(ServerEntry, extraInfo, 4);
VISTREL_WORDS(ServerEntry, 4);

#endif
