// The host's entries on an instance: create, destroy, copy, describe, useItems, newTime, flags.
// None of them lets an exception out, and each does nothing for a none instance.
#pragma once

#include <cstdint>

#include "host/abi_types.h"

namespace vistrel {

// A new instance for `object` with default settings and arrays for its whole leaves of 4 points;
// null only when memory runs out.
void *create(void *context, ItemId object);
void destroy(void *instance);
// Changes nothing in any instance; no error.
const char *copy(void *to, const void *from);
// "Vistrelobject: " followed by the name at the target position; valid until the next describe or
// destroy.
const char *describe(void *instance);
// The module-wide used-items list: the resolved target, then none.
const ItemId *useItems(void *instance);
// Stores frame and time and asks for a fresh scan before the next point is turned.
const char *newTime(void *instance, std::int32_t frame, double time);
std::uint32_t flags(void *instance);

}  // namespace vistrel
