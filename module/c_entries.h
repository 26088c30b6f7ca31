// Every entry the host calls, with C linkage and names no other library uses. Each forwards to the
// module's function of the same role (vistrel::create, vistrel::evaluate, ...), which lets no
// exception out; the per-point ones are defined beside theirs (leaf/evaluate.cpp,
// leaf/scan_point.cpp), so that the function is inlined into the entry. Their protocol is that of
// host/: every call on the host's calling thread, one at a time; the module takes no locks and
// starts no threads.
#pragma once

#include <cstdint>

#include "host/abi_types.h"
#include "host/load_record.h"
#include "host/point_access.h"
#include "host/save_record.h"
#include "host/server_entry.h"

extern "C" {
// The module descriptor's start-up and shutdown, and the servers' activations.
std::uintptr_t vistrel_startup(void);
void vistrel_shutdown(void);
std::int32_t vistrel_activate_handler(std::int32_t version, ServiceLookup lookup, void *binding);
std::int32_t vistrel_activate_interface(std::int32_t version, ServiceLookup lookup, void *binding);

// The handler's instance, item and render entries, and the per-point ones.
void *vistrel_create(void *context, ItemId object);
void vistrel_destroy(void *instance);
const char *vistrel_copy(void *to, const void *from);
const char *vistrel_load(void *instance, const LoadRecord *record);
const char *vistrel_save(void *instance, const SaveRecord *record);
const char *vistrel_describe(void *instance);
const ItemId *vistrel_use_items(void *instance);
const char *vistrel_new_time(void *instance, std::int32_t frame, double time);
std::uint32_t vistrel_flags(void *instance);
void vistrel_evaluate(void *instance, PointAccess *access);
std::int32_t vistrel_scan_point(void *instance, PointId point);

// The options panel's callbacks.
const char *vistrel_item_name_at(void *context, std::int32_t k);
void *vistrel_get_control_value(void *instance, std::uint32_t controlId);
std::int32_t vistrel_set_control_value(void *instance, std::uint32_t controlId, void *value);
std::int32_t vistrel_count_target_entries(void *context);
void vistrel_on_panel_change(Panel panel, std::uint32_t controlId, std::uint32_t unused,
                             std::int32_t event);
}
