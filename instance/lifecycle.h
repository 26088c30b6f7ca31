// The host's entries on an instance: create, destroy, copy, describe, useItems, newTime, flags
// (their protocol: host/handler_binding.h). None of them lets an exception out, and each does
// nothing for a none instance (describe answers "" for it).
#pragma once

#include <cstdint>

#include "host/abi_types.h"

namespace vistrel {

// A new instance for `object` with the default settings (host/vistrelle_contract.h) and arrays for
// its whole leaves; null only when memory runs out. `context` is not read.
void *create(void *context, ItemId object);
// Frees the instance with its arrays and its description.
void destroy(void *instance);
// Reads nothing and copies nothing: every instance stays as it was; ENTRY_NO_ERROR.
const char *copy(void *to, const void *from);
// "Vistrelobject: " followed by the name at the target position; valid until the next describe or
// destroy.
const char *describe(void *instance);
// The module-wide used-items list, shared by all instances: the resolved target, then none; a lone
// none while no target is resolved.
const ItemId *useItems(void *instance);
// Stores frame and time and asks for a fresh scan before the next point is turned: the pass's
// first evaluate measures the leaves anew. ENTRY_NO_ERROR.
const char *newTime(void *instance, std::int32_t frame, double time);
// VISTRELLE_HANDLER_FLAGS for any instance.
std::uint32_t flags(void *instance);

}  // namespace vistrel
