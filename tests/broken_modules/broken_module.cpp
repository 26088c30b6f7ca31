// A tiny displacement module that the validator must pass, and, built with one BROKEN_* definition,
// a copy of it with one deliberate fault that the validator must catch. It never turns a point: it
// keeps the settings, describes the target and answers the panel, which is all the validator needs.
// The kinds with a wild pointer or a one-byte descriptor are for the host's loader, which must
// refuse them before following any of their pointers.
#include "host/handler_binding.h"
#include "host/instance_update.h"
#include "host/interface_binding.h"
#include "host/item_info.h"
#include "host/module_descriptor.h"
#include "host/object_info.h"
#include "host/service_names.h"
#include "host/xpanel.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

#if defined(BROKEN_QUIET_EXIT_FROM_FRAME)
#include <unistd.h>
#endif

#ifndef BROKEN_MAGIC
#define BROKEN_MAGIC MODULE_MAGIC
#endif

// BROKEN_EXIT_IN=N calls exit(7) in entry N: 1 startup, 2 activation, 3 create, 4 load, 5 destroy.
#ifdef BROKEN_EXIT_IN
#define EXIT_IN(entry) \
    if (BROKEN_EXIT_IN == (entry)) std::exit(7)
#else
#define EXIT_IN(entry)
#endif

namespace {

struct Instance {
    std::array<std::int32_t, 5> settings{4, 0, 0, 1, 0};  // leaf points, target, pivot rule, H, P
    ItemId target = nullptr;
    std::int32_t pointCount = 0;
    double leafCount = 0.0;
    std::string description;
    std::int32_t frame = 0;  // of the latest newTime
};

const ObjectInfo *objectInfo = nullptr;
const ItemInfo *itemInfo = nullptr;
InstanceUpdateFn instanceUpdate = nullptr;
const XPanel *xpanel = nullptr;
ItemId usedItems[2] = {nullptr, nullptr};

ItemId itemIdAt(std::int32_t k) {
    if (k <= 0) return nullptr;
    ItemId item = itemInfo->firstItem(0, nullptr);
    for (std::int32_t i = 1; i < k && item; ++i) item = itemInfo->nextItem(item);
    return item;
}

extern "C" const char *itemNameAt(void *, std::int32_t k) {
    if (k == 0) return "(none)";
    ItemId item = itemInfo->firstItem(0, nullptr);
    const char *name = item ? itemInfo->itemName(item) : "";
    for (std::int32_t i = 1; i < k && item; ++i)
        if ((item = itemInfo->nextItem(item))) name = itemInfo->itemName(item);
    return name;
}

extern "C" void *create(void *, ItemId object) {
    EXIT_IN(3);
    auto instance = std::make_unique<Instance>();
    if (MeshHandle *mesh = objectInfo->objectMesh(object, 0))
        instance->pointCount = mesh->meshPointCount(mesh);
    return instance.release();
}
extern "C" void destroy(void *instance) {
    EXIT_IN(5);
    std::unique_ptr<Instance> owned(static_cast<Instance *>(instance));
}
extern "C" const char *copy(void *, const void *) { return nullptr; }

extern "C" const char *load(void *instance, const LoadRecord *record) {
    EXIT_IN(4);
    for (std::int32_t &value : static_cast<Instance *>(instance)->settings)
        record->readInts32(record->stream, &value, 1);
    return nullptr;
}

extern "C" const char *save(void *instance, const SaveRecord *record) {
    for (std::int32_t value : static_cast<Instance *>(instance)->settings) {
#if defined(BROKEN_SAVE)
        value += 1;
#endif
        record->writeInts32(record->stream, &value, 1);
    }
    return nullptr;
}

extern "C" const char *describe(void *instance) {
    auto *self = static_cast<Instance *>(instance);
#if defined(BROKEN_HANG)
    for (volatile bool forever = true; forever;) {}
#endif
    self->description = std::string("Vistrelobject: ") + itemNameAt(nullptr, self->settings[1]);
    return self->description.c_str();
}

extern "C" const ItemId *useItems(void *instance) {
    usedItems[0] = static_cast<Instance *>(instance)->target;
    return usedItems;
}

extern "C" const char *newTime(void *instance, std::int32_t frame, double) {
    static_cast<Instance *>(instance)->frame = frame;
    return nullptr;
}
extern "C" std::uint32_t flags(void *) { return 1; }

extern "C" void evaluate(void *instance, PointAccess *access) {
    auto *self = static_cast<Instance *>(instance);
#if defined(BROKEN_CRASH_FROM_FRAME)
    if (self->frame >= BROKEN_CRASH_FROM_FRAME) {
        volatile int *volatile nowhere = nullptr;
        *nowhere = 1;
    }
#endif
#if defined(BROKEN_EXIT_FROM_FRAME)
    if (self->frame >= BROKEN_EXIT_FROM_FRAME) std::exit(7);
#endif
#if defined(BROKEN_QUIET_EXIT_FROM_FRAME)
    // Ends the process as if from outside: no exit handlers, status 0.
    if (self->frame >= BROKEN_QUIET_EXIT_FROM_FRAME) _exit(0);
#endif
#if defined(BROKEN_LOOP_FROM_FRAME)
    if (self->frame >= BROKEN_LOOP_FROM_FRAME)
        for (volatile bool forever = true; forever;) {}
#endif
#if defined(BROKEN_BEYOND_FLOAT)
    // A finite double that no float holds.
    access->position[0] = std::numeric_limits<double>::max();
    return;
#endif
    if (self->target == nullptr) self->target = itemIdAt(self->settings[1]);
    if (self->settings[1] == 0) return;
    static_cast<void>(access);
#if defined(BROKEN_NAN)
    access->position[1] = std::numeric_limits<double>::quiet_NaN();
#elif defined(BROKEN_STRETCH)
    for (double &coordinate : access->position) coordinate *= 1.5;
#elif defined(BROKEN_CRASH)
    volatile int *volatile nowhere = nullptr;
    *nowhere = 1;
#endif
}

// --- The panel

const ControlRecord controls[] = {{0x8002, "Object points", "integer"},
                                  {0x8003, "Clones", "float"},
                                  {0x8004, "Target object", "iPopChoice"},
                                  {0x8005, "Pivot Type", "iPopChoice"},
                                  {0x8006, "H Align", "iBoolean"},
                                  {0x8007, "P Align", "iBoolean"},
                                  {0, nullptr, nullptr}};
const DataRecord data[] = {{0x8002, "Leaf points", "integer"},
                           {0x8003, "Leaves", "float"},
                           {0x8004, "Target object", "integer"},
                           {0x8005, "Pivot Type", "integer"},
                           {0x8006, "H Align", "integer"},
                           {0x8007, "P Align", "integer"},
                           {0, nullptr, nullptr}};
const char *const pivotChoices[] = {"first point", "average of first two points",
                                    "average of first and last point", "last point", nullptr};

extern "C" void *getValue(void *instance, std::uint32_t id) {
    auto *self = static_cast<Instance *>(instance);
    if (id == 0x8003) {
        self->leafCount = static_cast<double>(self->pointCount) / self->settings[0];
        return &self->leafCount;
    }
    static constexpr std::uint32_t order[] = {0x8002, 0x8004, 0x8005, 0x8006, 0x8007};
    for (std::size_t i = 0; i < 5; ++i)
        if (order[i] == id) return &self->settings[i];
    return nullptr;
}

extern "C" std::int32_t setValue(void *instance, std::uint32_t id, void *value) {
    auto *self = static_cast<Instance *>(instance);
    static constexpr std::uint32_t order[] = {0x8002, 0x8004, 0x8005, 0x8006, 0x8007};
    for (std::size_t i = 0; i < 5; ++i)
        if (order[i] == id) std::memcpy(&self->settings[i], value, sizeof(std::int32_t));
    if (id == 0x8004) self->target = itemIdAt(self->settings[1]);
    return 3;
}

extern "C" std::int32_t countEntries(void *) {
    std::int32_t n = 1;
    for (ItemId item = itemInfo->firstItem(0, nullptr); item; item = itemInfo->nextItem(item)) ++n;
    return n;
}

extern "C" void onChange(Panel panel, std::uint32_t id, std::uint32_t, std::int32_t event) {
    if (event == PANEL_EVENT_VALUE_CHANGED && id == 0x8002)
        instanceUpdate(CLASS_DISPLACEMENT_HANDLER, xpanel->panelGetData(panel, 0));
}

extern "C" std::int32_t activateHandler(std::int32_t version, ServiceLookup lookup, void *binding) {
    EXIT_IN(2);
#if defined(BROKEN_CRASH_IN_ACTIVATION)
    volatile int *volatile nowhere = nullptr;
    *nowhere = 1;
#endif
    if (version != HOST_INTERFACE_VERSION) return 1;
    objectInfo = static_cast<const ObjectInfo *>(lookup(SERVICE_OBJECT_INFO, 0));
    itemInfo = static_cast<const ItemInfo *>(lookup(SERVICE_ITEM_INFO, 0));
    instanceUpdate = reinterpret_cast<InstanceUpdateFn>(lookup(SERVICE_INSTANCE_UPDATE, 0));
    if (!objectInfo || !itemInfo || !instanceUpdate) return 2;
    auto *b = static_cast<HandlerBinding *>(binding);
    *b->instanceOps = {b->instanceOps->slot1, &create, &destroy, &copy, &load, &save, &describe};
    b->itemOps->useItems = &useItems;
    b->renderOps->newTime = &newTime;
    b->evaluate = &evaluate;
    b->flags = &flags;
    return 0;
}

extern "C" std::int32_t activateInterface(std::int32_t version, ServiceLookup lookup,
                                          void *binding) {
    if (version != HOST_INTERFACE_VERSION) return 1;
    auto *b = static_cast<InterfaceBinding *>(binding);
    xpanel = static_cast<const XPanel *>(lookup(SERVICE_XPANEL, 0));
    b->panel = xpanel ? xpanel->panelCreate(PANEL_KIND_VIEW, controls) : nullptr;
    if (b->panel == nullptr) return 2;
    const std::uintptr_t hints[] = {HINT_TITLE,
                                    0,
                                    reinterpret_cast<std::uintptr_t>("Broken"),
                                    0,
                                    HINT_CHANGE_NOTIFY,
                                    reinterpret_cast<std::uintptr_t>(&onChange),
                                    HINT_POPUP_FUNCS,
                                    0x8004,
                                    reinterpret_cast<std::uintptr_t>(&countEntries),
                                    reinterpret_cast<std::uintptr_t>(&itemNameAt),
                                    HINT_DERIVED,
                                    0x8002,
                                    0x8003,
                                    0,
                                    HINT_STRING_LIST,
                                    0x8005,
                                    reinterpret_cast<std::uintptr_t>(pivotChoices),
                                    0,
                                    HINT_END};
    xpanel->panelHint(b->panel, 0, hints);
    xpanel->panelDescribe(b->panel, data, &getValue, &setValue);
    xpanel->panelViewInstance(b->panel, b->instance);
    xpanel->panelSetData(b->panel, 0, b->instance);
    b->optionsEntry = nullptr;
    b->commandEntry = nullptr;
    return 0;
}

// Names of their own: a C function called "shutdown" would be bound to the C library's socket call.
extern "C" [[maybe_unused]] std::uintptr_t brokenStartup() {
    EXIT_IN(1);
#if defined(BROKEN_PRINT)
    std::fputs("hello from the module\n", stdout);
    std::fflush(stdout);
#endif
#if defined(BROKEN_CRASH_IN_STARTUP)
    volatile int *volatile nowhere = nullptr;
    *nowhere = 1;
#endif
    return 4;
}
extern "C" [[maybe_unused]] void brokenShutdown() {}

#if defined(BROKEN_WILD_ACTIVATION)
// An activation address no code lies at: calling it would crash the host.
const auto wildActivation = reinterpret_cast<ActivateFn>(std::uintptr_t{0x1000});
#else
constexpr ActivateFn wildActivation = &activateInterface;
#endif

const ServerEntry servers[] = {{CLASS_DISPLACEMENT_HANDLER, "Vistrelle", &activateHandler, 0},
                               {CLASS_DISPLACEMENT_INTERFACE, "Vistrelle", wildActivation, 0},
                               {nullptr, nullptr, nullptr, 0}};

}  // namespace

#if defined(BROKEN_TINY_DESCRIPTOR)
// One byte where the host reads a whole descriptor.
extern "C" const unsigned char _mod_descrip = 4;
#elif defined(BROKEN_WILD_SERVERS)
// A server list pointer into memory the module does not own.
extern "C" const ModuleDescriptor _mod_descrip = {
    BROKEN_MAGIC,    3,
    0x300,           &brokenStartup,
    &brokenShutdown, reinterpret_cast<const ServerEntry *>(std::uintptr_t{0x2000})};
#else
extern "C" const ModuleDescriptor _mod_descrip = {BROKEN_MAGIC,    3,      0x300, &brokenStartup,
                                                  &brokenShutdown, servers};
#endif
