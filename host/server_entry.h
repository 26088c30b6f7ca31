/* One entry of the module's server list: a plug-in class served under a name. */
#ifndef VISTREL_HOST_SERVER_ENTRY_H
#define VISTREL_HOST_SERVER_ENTRY_H

#include "host/abi_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Activation, called by the host on its thread whenever it needs the class: for the handler before
   it creates instances, for the interface each time it opens an instance's options. `binding` is
   the class's record (HandlerBinding, InterfaceBinding), owned by the host. Answers 0 activated, 1
   wrong interface version, 2 a needed service or the panel is missing; the service pointers it
   looks up replace those of any earlier activation. */
typedef int32_t (*ActivateFn)(int32_t version, ServiceLookup lookup, void *binding);

/* The interface version both activations accept. */
#define HOST_INTERFACE_VERSION 4

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
