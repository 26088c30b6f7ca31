/* "Instance Update": the service pointer is itself the function. */
#ifndef VISTREL_HOST_INSTANCE_UPDATE_H
#define VISTREL_HOST_INSTANCE_UPDATE_H

#include "host/abi_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* What the service answers. */
#define INSTANCE_UPDATE_QUEUED 1  /* the host will run a new pass of the instance */
#define INSTANCE_UPDATE_UNKNOWN 0 /* not a live instance of that class: nothing is run */

/* Asks the host to run a new pass of `instance`, starting with newTime, after a change that alters
   what its passes give.
   When: from a module's panel callback or change notification, after the change is stored; the
   pass runs after the callback returns.  Thread: the host's calling thread.  Owner: `className`
   (the instance's class, e.g. CLASS_DISPLACEMENT_HANDLER) is the caller's, read during the call
   only.  Null: a null `className` or `instance` asks nothing.  Answers: INSTANCE_UPDATE_QUEUED or
   INSTANCE_UPDATE_UNKNOWN. */
typedef int32_t (*InstanceUpdateFn)(const char *className, void *instance);

#ifdef __cplusplus
}
#endif

#endif
