/* The module descriptor, the one symbol a host reads from the library. */
#ifndef VISTREL_HOST_MODULE_DESCRIPTOR_H
#define VISTREL_HOST_MODULE_DESCRIPTOR_H

#include "host/server_entry.h"

#ifdef __cplusplus
extern "C" {
#endif

#define MODULE_MAGIC 0x04121994u

typedef struct ModuleDescriptor {
    uintptr_t magic;                  /* slot 1: MODULE_MAGIC */
    uintptr_t version;                /* slot 2: descriptor version, 3 */
    uintptr_t systemWord;             /* slot 3: 0x300 */
    uintptr_t (*startupFn)(void);     /* slot 4: called after loading; answers 4 */
    void (*shutdownFn)(void);         /* slot 5: called before unloading */
    const ServerEntry *serverList;    /* slot 6: servers, closed by an all-zero entry */
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
