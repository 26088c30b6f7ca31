// The host's item list of type 0, addressed by 1-based position; position 0 means none.
#pragma once

#include <cstdint>

#include "host/abi_types.h"

namespace vistrel {

// Name of the item at position k: "(none)" for 0 (and when the host lists no item at all), the last
// item's name past the end, the first item's for k below 0. A null name from the host reads as "".
// Doubles as the name callback of the target popup, whose first argument it ignores.
const char *itemNameAt(void *context, std::int32_t k);

// The item at position k, or none for k <= 0 or past the end of the list.
ItemId itemIdAt(std::int32_t k);

// Number of entries of the target popup: "(none)" and one per item.
std::int32_t countItems();

}  // namespace vistrel
