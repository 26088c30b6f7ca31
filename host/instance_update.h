/* "Instance Update": the service pointer is itself the function. */
#ifndef VISTREL_HOST_INSTANCE_UPDATE_H
#define VISTREL_HOST_INSTANCE_UPDATE_H

#include "host/abi_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Asks the host to evaluate `instance` of class `className` anew, starting with newTime. */
typedef int32_t (*InstanceUpdateFn)(const char *className, void *instance);

#ifdef __cplusplus
}
#endif

#endif
