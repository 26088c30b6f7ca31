// The leaf scan: measures one leaf's pivot, centre and axes as the host walks the mesh point by
// point.
#pragma once

#include <cstdint>

#include "host/abi_types.h"

namespace vistrel {

// Per-point callback of meshScanPoints; `instance` is the PluginInstance being measured. Counts the
// point into the current leaf with the instance's cursors, and at the leaf's last point builds its
// (unnormalised) axes. Points past the whole leaves or the arrays are not fetched. Answers
// SCAN_CONTINUE.
std::int32_t scanPoint(void *instance, PointId point);

}  // namespace vistrel
