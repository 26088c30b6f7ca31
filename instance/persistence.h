// The instance's five settings in the scene: leafPoints, targetIndex, pivotType, headingAlign,
// pitchAlign, one 32-bit integer each, in that order, no header.
#pragma once

#include "host/load_record.h"
#include "host/save_record.h"

namespace vistrel {

// Reads the five settings one call each. A value the host does not deliver leaves its field as it
// was. Then sizes the leaf count and per-leaf arrays for the loaded leaf size. Always no error.
const char *load(void *instance, const LoadRecord *record);
// Writes the five settings one call each. Always no error.
const char *save(void *instance, const SaveRecord *record);

}  // namespace vistrel
