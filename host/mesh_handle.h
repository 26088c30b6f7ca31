/* The host's mesh handle: a record of operations that each take the handle itself first. The host
   owns it; the module keeps the handle an instance was made with, and the one of the latest
   evaluate, and never frees it. All operations run on the host's thread. */
#ifndef VISTREL_HOST_MESH_HANDLE_H
#define VISTREL_HOST_MESH_HANDLE_H

#include "host/abi_types.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct MeshHandle MeshHandle;

/* Called by meshScanPoints once per point, in point order, before meshScanPoints returns; `data` is
   what the module passed to meshScanPoints. Returns 0. */
typedef int32_t (*ScanFn)(void *data, PointId point);

struct MeshHandle {
    void *slot1; /* slot 1: host's own */
    void *slot2; /* slot 2: host's own */
    /* slot 3: called by create; the number of points of the mesh */
    int32_t (*meshPointCount)(MeshHandle *mesh);
    void *slot4; /* slot 4: host's own */
    /* slot 5: called by evaluate at the first point of a pass; calls fn(data, point) for every
       point in point order, the order of the pass's evaluate calls, before it returns; the result
       is not read */
    int32_t (*meshScanPoints)(MeshHandle *mesh, ScanFn fn, void *data);
    void *slot6; /* slot 6: host's own */
    void *slot7; /* slot 7: host's own */
    /* slot 8: called from the scan function; fills x, y, z of `point` into `position`, owned by the
       caller; the result is not read */
    int32_t (*meshPointPosition)(MeshHandle *mesh, PointId point, float position[3]);
};

#ifdef __cplusplus
}
#endif

VISTREL_SLOT(MeshHandle, meshPointCount, 3);
VISTREL_SLOT(MeshHandle, meshScanPoints, 5);
VISTREL_SLOT(MeshHandle, meshPointPosition, 8);
VISTREL_WORDS(MeshHandle, 8);

#endif
