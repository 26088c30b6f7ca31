/* The module descriptor, the one symbol a host reads from the library (`_mod_descrip`). A host
   loads the library, checks the first three words, calls startupFn, activates servers of the list
   as it needs them, and calls shutdownFn before it unloads the library. The descriptor and the list
   are the module's, read-only and valid while the library is loaded. */
#ifndef VISTREL_HOST_MODULE_DESCRIPTOR_H
#define VISTREL_HOST_MODULE_DESCRIPTOR_H

#include "host/server_entry.h"

#ifdef __cplusplus
extern "C" {
#endif

#define MODULE_MAGIC 0x04121994u
#define MODULE_DESCRIPTOR_VERSION 3u /* the descriptor layout below */
#define MODULE_SYSTEM_WORD 0x300u    /* the host system the module is built for */
#define MODULE_STARTUP_ANSWER 4u     /* what the start-up function answers */

typedef struct ModuleDescriptor {
    uintptr_t magic;      /* slot 1: MODULE_MAGIC */
    uintptr_t version;    /* slot 2: MODULE_DESCRIPTOR_VERSION */
    uintptr_t systemWord; /* slot 3: MODULE_SYSTEM_WORD */
    /* slot 4: the module's start-up.
       When: once, after the host loaded the library and checked slots 1 to 3, before any
       activation.  Thread: the thread that loaded the library.  Owner: nothing is passed.
       Null: the slot is never null.  Answers: MODULE_STARTUP_ANSWER. */
    uintptr_t (*startupFn)(void);
    /* slot 5: the module's shutdown.
       When: once, before the host unloads the library, after the last instance is destroyed;
       nothing of the module is called afterwards.  Thread: the thread that loaded the library.
       Owner: nothing is passed.  Null: the slot is never null.  Answers: nothing. */
    void (*shutdownFn)(void);
    const ServerEntry *serverList; /* slot 6: servers, closed by an all-zero entry */
} ModuleDescriptor;

#ifdef __cplusplus
}
#endif

VISTREL_SLOT(ModuleDescriptor, magic, 1);
VISTREL_SLOT(ModuleDescriptor, version, 2);
VISTREL_SLOT(ModuleDescriptor, systemWord, 3);
VISTREL_SLOT(ModuleDescriptor, startupFn, 4);
VISTREL_SLOT(ModuleDescriptor, shutdownFn, 5);
VISTREL_SLOT(ModuleDescriptor, serverList, 6);
VISTREL_WORDS(ModuleDescriptor, 6);

#endif
