// The tables a host hands to the activation of a displacement handler. The host's own slots hold
// recognisable sentinel values, so that a test can prove the module left them alone.
#pragma once

#include "host/handler_binding.h"

#include <cstdint>

namespace hostsim {

// The value of host-owned slot `slot` of table `table` (1 InstanceOps, 2 ItemOps, 3 RenderOps).
inline void *handlerSentinel(unsigned table, unsigned slot) {
    return reinterpret_cast<void *>(
        static_cast<std::uintptr_t>(0x5E700000u + table * 0x100u + slot));
}

struct HandlerTables {
    InstanceOps instanceOps{};
    ItemOps itemOps{};
    RenderOps renderOps{};
    HandlerBinding binding{};

    // Host slots set to their sentinels, the module's slots null, the binding pointing at the
    // tables.
    HandlerTables() {
        instanceOps.slot1 = handlerSentinel(1, 1);
        itemOps.slot2 = handlerSentinel(2, 2);
        renderOps.slot1 = handlerSentinel(3, 1);
        renderOps.slot2 = handlerSentinel(3, 2);
        binding.instanceOps = &instanceOps;
        binding.itemOps = &itemOps;
        binding.renderOps = &renderOps;
    }
    // The binding refers to the tables themselves, so they stay where they were made.
    HandlerTables(const HandlerTables &) = delete;
    HandlerTables &operator=(const HandlerTables &) = delete;

    // True while every host-owned slot still holds its sentinel and the binding its table pointers.
    bool hostSlotsIntact() const {
        return instanceOps.slot1 == handlerSentinel(1, 1) &&
               itemOps.slot2 == handlerSentinel(2, 2) && renderOps.slot1 == handlerSentinel(3, 1) &&
               renderOps.slot2 == handlerSentinel(3, 2) && binding.instanceOps == &instanceOps &&
               binding.itemOps == &itemOps && binding.renderOps == &renderOps;
    }
    // True while nothing at all has been written: host slots intact and every module slot null.
    bool untouched() const {
        return hostSlotsIntact() && !instanceOps.create && !instanceOps.destroy &&
               !instanceOps.copy && !instanceOps.load && !instanceOps.save &&
               !instanceOps.describe && !itemOps.useItems && !renderOps.newTime &&
               !binding.evaluate && !binding.flags;
    }
};

}  // namespace hostsim
