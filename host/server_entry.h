/* One entry of the module's server list: a plug-in class served under a name. */
#ifndef VISTREL_HOST_SERVER_ENTRY_H
#define VISTREL_HOST_SERVER_ENTRY_H

#include "host/abi_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Activation: 0 activated, 1 wrong interface version, 2 a needed service or the panel is missing. */
typedef int32_t (*ActivateFn)(int32_t version, ServiceLookup lookup, void *binding);

/* The interface version both activations accept. */
#define HOST_INTERFACE_VERSION 4

typedef struct ServerEntry {
    const char *pluginClass;   /* slot 1: class name text; null closes the list */
    const char *serverName;    /* slot 2: server name text */
    ActivateFn activateFn;     /* slot 3: activation of this class */
    uintptr_t extraInfo;       /* slot 4: 0 */
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
