/* The host's mesh handle: a record of operations that each take the handle itself first. */
#ifndef VISTREL_HOST_MESH_HANDLE_H
#define VISTREL_HOST_MESH_HANDLE_H

#include "host/abi_types.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct MeshHandle MeshHandle;

/* Called once per point by meshScanPoints; returns 0. */
typedef int32_t (*ScanFn)(void *data, PointId point);

struct MeshHandle {
    void *slot1;                                                          /* slot 1: host's own */
    void *slot2;                                                          /* slot 2: host's own */
    int32_t (*meshPointCount)(MeshHandle *mesh);                          /* slot 3: number of points */
    void *slot4;                                                          /* slot 4: host's own */
    int32_t (*meshScanPoints)(MeshHandle *mesh, ScanFn fn, void *data);   /* slot 5: fn(data, point) for every point in order, before it returns */
    void *slot6;                                                          /* slot 6: host's own */
    void *slot7;                                                          /* slot 7: host's own */
    int32_t (*meshPointPosition)(MeshHandle *mesh, PointId point, float position[3]); /* slot 8: fills x, y, z of the point */
};

#ifdef __cplusplus
}
#endif

VISTREL_SLOT(MeshHandle, meshPointCount, 3);
VISTREL_SLOT(MeshHandle, meshScanPoints, 5);
VISTREL_SLOT(MeshHandle, meshPointPosition, 8);
VISTREL_WORDS(MeshHandle, 8);

#endif
