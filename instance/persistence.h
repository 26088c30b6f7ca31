// The instance's five settings in the scene: leafPoints, targetIndex, pivotType, headingAlign,
// pitchAlign, one 32-bit integer each, in that order, no header.
#pragma once

#include "host/load_record.h"
#include "host/save_record.h"

namespace vistrel {

// Reads the five settings one readInts32 call each, in stored order. A value the host does not
// deliver leaves its field as it was. Then sizes the leaf count and per-leaf arrays for the loaded
// leaf size. ENTRY_NO_ERROR, also when the record delivers fewer integers than asked.
const char *load(void *instance, const LoadRecord *record);
// Writes the five settings one writeInts32 call each, in stored order. ENTRY_NO_ERROR.
const char *save(void *instance, const SaveRecord *record);

}  // namespace vistrel
