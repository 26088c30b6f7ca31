// Where the host's stream of point calls stands among the leaves: the one bounds check and the one
// cursor step that the scan and the evaluation share.
#pragma once

#include <cstdint>

#include "instance/plugin_instance.h"

namespace vistrel {

// True when `leaf` can be measured or turned: leaves of at least two points, `leaf` below leafCount
// (which may hold a fraction) and below `limit`: leafArrayLength for the scan, measuredLeaves
// (never more) for the evaluation.
inline bool withinLeaves(const PluginInstance &self, std::int32_t leaf, std::int32_t limit) {
    return static_cast<std::uint32_t>(leaf) < static_cast<std::uint32_t>(limit) &&
           self.leafPoints >= minimumLeafPoints && static_cast<double>(leaf) < self.leafCount;
}

// Moves the cursors on by one point; true when that point completed its leaf.
inline bool stepCursor(PluginInstance &self) {
    self.pointCursor += 1;
    if (self.pointCursor < self.leafPoints) return false;
    self.pointCursor = 0;
    self.leafCursor += 1;
    return true;
}

}  // namespace vistrel
