/* The module descriptor, the one symbol a host reads from the library (`_mod_descrip`). A host
   loads the library, checks the first three words, calls startupFn, activates servers of the list
   as it needs them, and calls shutdownFn before it unloads the library; all on one thread. The
   descriptor and the list are the module's, read-only and valid while the library is loaded. */
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
    uintptr_t magic;              /* slot 1: MODULE_MAGIC */
    uintptr_t version;            /* slot 2: MODULE_DESCRIPTOR_VERSION */
    uintptr_t systemWord;         /* slot 3: MODULE_SYSTEM_WORD */
    uintptr_t (*startupFn)(void); /* slot 4: called once after loading, before any activation;
                                     answers MODULE_STARTUP_ANSWER */
    void (*shutdownFn)(
        void); /* slot 5: called once before unloading, after the last instance is destroyed */
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
