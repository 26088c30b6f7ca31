// The leaf scan: measures one leaf's pivot, centre and axes as the host walks the mesh point by
// point.
#pragma once

#include <cstdint>

#include "host/abi_types.h"

namespace vistrel {

struct PluginInstance;

// Per-point callback of meshScanPoints; `instance` is the PluginInstance being measured. Counts the
// point into the current leaf with the instance's cursors, and at the leaf's last point builds its
// (unnormalised) axes. Points past the whole leaves or the arrays are not fetched. A leaf whose
// points all have the bits the previous scan fetched, under the same leaf size and pivot rule,
// keeps its measurement and is not measured again. Answers SCAN_CONTINUE.
std::int32_t scanPoint(void *instance, PointId point);

// Around the host's walk of the mesh: which leaves' kept points may stand for their measurement,
// and, after it, which do.
void beginScan(PluginInstance &self);
void endScan(PluginInstance &self);

}  // namespace vistrel
