/* "Instance Update": the service pointer is itself the function. */
#ifndef VISTREL_HOST_INSTANCE_UPDATE_H
#define VISTREL_HOST_INSTANCE_UPDATE_H

#include "host/abi_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Called by the module from a panel callback, on the host's thread, after a change that alters the
   leaves (the module passes CLASS_DISPLACEMENT_HANDLER). Asks the host to run a new pass of
   `instance`, starting with newTime; the host reads `className` during the call only. The service
   may be null (the host has none): the module then asks nothing. */
typedef int32_t (*InstanceUpdateFn)(const char *className, void *instance);

#ifdef __cplusplus
}
#endif

#endif
