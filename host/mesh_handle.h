/* The host's mesh handle: a record of operations that each take the handle itself first. The host
   owns it; a module never frees it. */
#ifndef VISTREL_HOST_MESH_HANDLE_H
#define VISTREL_HOST_MESH_HANDLE_H

#include "host/abi_types.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct MeshHandle MeshHandle;

/* What a scan function answers: go on to the next point. */
#define SCAN_CONTINUE 0

/* What meshScanPoints answers once it has called the scan function for every point. */
#define MESH_SCAN_DONE 0

/* What meshPointPosition answers. */
#define MESH_POINT_FOUND 1   /* the position is written */
#define MESH_POINT_UNKNOWN 0 /* not a point of this mesh: nothing is written */

/* A module's function that meshScanPoints calls for each point.
   When: once per point, in point order, before meshScanPoints returns.  Thread: the thread that
   called meshScanPoints.  Owner: `data` is what the module passed to meshScanPoints; `point` is
   the host's, valid until meshScanPoints returns.  Null: `point` is never null.
   Answers: SCAN_CONTINUE. */
typedef int32_t (*ScanFn)(void *data, PointId point);

struct MeshHandle {
    void *slot1; /* slot 1: host's own */
    void *slot2; /* slot 2: host's own */
    /* slot 3: the number of points of the mesh.
       When: during any entry of the module.  Thread: the host's calling thread.  Owner: the handle
       is the host's.  Null: the handle is never null.  Answers: the number of points. */
    int32_t (*meshPointCount)(MeshHandle *mesh);
    void *slot4; /* slot 4: host's own */
    /* slot 5: calls fn(data, point) for every point of the mesh in point order, the order of a
       pass's evaluate calls, before it returns.
       When: during any entry of the module.  Thread: the host's calling thread.  Owner: `data` is
       the caller's, passed on untouched.  Null: a null `fn` scans nothing.
       Answers: MESH_SCAN_DONE. */
    int32_t (*meshScanPoints)(MeshHandle *mesh, ScanFn fn, void *data);
    void *slot6; /* slot 6: host's own */
    void *slot7; /* slot 7: host's own */
    /* slot 8: fills x, y, z of `point` into `position`.
       When: during any entry of the module, mostly from a scan function.  Thread: the host's
       calling thread.  Owner: `position` is the caller's, written during the call only.
       Null: a null `position` or `point` writes nothing.
       Answers: MESH_POINT_FOUND or MESH_POINT_UNKNOWN. */
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
