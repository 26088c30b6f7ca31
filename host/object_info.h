/* "LW Object Info 3": the host's objects and their meshes. The host owns the table, valid until the
   next activation. */
#ifndef VISTREL_HOST_OBJECT_INFO_H
#define VISTREL_HOST_OBJECT_INFO_H

#include "host/mesh_handle.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct ObjectInfo {
    void *slot1; /* slot 1: host's own */
    void *slot2; /* slot 2: host's own */
    void *slot3; /* slot 3: host's own */
    void *slot4; /* slot 4: host's own */
    void *slot5; /* slot 5: host's own */
    /* slot 6: called by create, on the host's thread; the object's mesh (mode 0), owned by the
       host; null when it has none */
    MeshHandle *(*objectMesh)(ItemId object, int32_t mode);
} ObjectInfo;

#ifdef __cplusplus
}
#endif

VISTREL_SLOT(ObjectInfo, objectMesh, 6);
VISTREL_WORDS(ObjectInfo, 6);

#endif
