/* "LW Object Info 3": the host's objects and their meshes. The host owns the table, valid until the
   next activation that looks it up. */
#ifndef VISTREL_HOST_OBJECT_INFO_H
#define VISTREL_HOST_OBJECT_INFO_H

#include "host/mesh_handle.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The `mode` of objectMesh: the object's mesh as the host holds it. */
#define OBJECT_MESH_MODE_DEFAULT 0

typedef struct ObjectInfo {
    void *slot1; /* slot 1: host's own */
    void *slot2; /* slot 2: host's own */
    void *slot3; /* slot 3: host's own */
    void *slot4; /* slot 4: host's own */
    void *slot5; /* slot 5: host's own */
    /* slot 6: the mesh of `object` (mode OBJECT_MESH_MODE_DEFAULT).
       When: during any entry of the module.  Thread: the host's calling thread.  Owner: the handle
       is the host's, valid while the object is in the scene; a module never frees it.  Null: a
       null answer, an object without a mesh.  Answers: the mesh handle, or null. */
    MeshHandle *(*objectMesh)(ItemId object, int32_t mode);
} ObjectInfo;

#ifdef __cplusplus
}
#endif

VISTREL_SLOT(ObjectInfo, objectMesh, 6);
VISTREL_WORDS(ObjectInfo, 6);

#endif
