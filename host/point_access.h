/* The host's per-point record handed to the displacement's evaluate entry: owned by the host, valid
   only during that call. */
#ifndef VISTREL_HOST_POINT_ACCESS_H
#define VISTREL_HOST_POINT_ACCESS_H

#include "host/mesh_handle.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct PointAccess {
    double basePosition[3]; /* the undisplaced position; not read by the module */
    double position[3];     /* the current position; the displaced position is written back here */
    uint32_t pointId;       /* the host's point number; not read by the module */
    MeshHandle *mesh; /* the mesh the point belongs to, the host's; null: no leaves are measured,
                         the point stays */
} PointAccess;

#ifdef __cplusplus
}
#endif

static_assert(offsetof(PointAccess, basePosition) == 0, "PointAccess.basePosition at byte 0");
static_assert(offsetof(PointAccess, position) == 24, "PointAccess.position at byte 24");
static_assert(offsetof(PointAccess, pointId) == 48, "PointAccess.pointId at byte 48");
static_assert(offsetof(PointAccess, mesh) == (sizeof(void *) == 4 ? 52 : 56),
              "PointAccess.mesh at byte 52 (i386) or 56 (x86-64)");

#endif
