/* The record a host hands to the activation of a displacement's interface, each time it opens the
   options of an instance. The host owns the record; the activation fills it before it returns and
   keeps no pointer to it. */
#ifndef VISTREL_HOST_INTERFACE_BINDING_H
#define VISTREL_HOST_INTERFACE_BINDING_H

#include "host/abi_types.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct InterfaceBinding {
    void *instance;     /* slot 1, given: the instance whose options are shown, made by create */
    Panel panel;        /* slot 2, written: a new panel, the host's; null when none was built */
    void *optionsEntry; /* slot 3, written: the module's options function, or null for none */
    void *commandEntry; /* slot 4, written: the module's command function, or null for none */
} InterfaceBinding;

#ifdef __cplusplus
}
#endif

VISTREL_SLOT(InterfaceBinding, instance, 1);
VISTREL_SLOT(InterfaceBinding, panel, 2);
VISTREL_SLOT(InterfaceBinding, optionsEntry, 3);
VISTREL_SLOT(InterfaceBinding, commandEntry, 4);
VISTREL_WORDS(InterfaceBinding, 4);

#endif
