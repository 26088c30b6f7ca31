// The validator's host, panel side: sets, gets and edits, each checked against the settings the
// validator expects the instance to hold, and the updates an edit must ask for.
#include "validate/checked_host.h"

#include "host/service_names.h"
#include "hostsim/hex_text.h"
#include "validate/validation_failure.h"

#include <cstring>

namespace validate {

using hostsim::hexText;

// --- Panel

hostsim::HostPanel &CheckedHost::panel(TrackedInstance &instance) {
    if (instance.panel == nullptr) activateInterface(instance, HOST_INTERFACE_VERSION);
    return *instance.panel;
}

void CheckedHost::set(TrackedInstance &instance, std::uint32_t controlId, std::int32_t value) {
    hostsim::HostPanel &p = panel(instance);
    // A control outside the module's ids must change no setting; the settings are kept to compare.
    const bool moduleControl = controlId >= CTL_LEAF_POINTS && controlId <= CTL_P_ALIGN;
    const std::vector<std::int32_t> before =
        moduleControl ? std::vector<std::int32_t>{} : save(instance);
    if (const std::int32_t answer = p.set(controlId, value); answer != PANEL_SET_ANSWER)
        fail("the panel's set of control " + hexText(controlId) + " answered " +
             std::to_string(answer) + "; expected " + std::to_string(PANEL_SET_ANSWER));
    if (!noteSetting(instance, p, controlId, value) && !moduleControl && save(instance) != before)
        fail("the panel's set of control " + hexText(controlId) +
             " changed the settings; expected nothing changed");
    // A leaf size set alone leaves the leaf count out of step until the host reads or notifies.
    if (controlId == CTL_LEAF_POINTS) instance.tailSettled = false;
}

bool CheckedHost::noteSetting(TrackedInstance &instance, const hostsim::HostPanel &p,
                              std::uint32_t controlId, std::int32_t value) {
    Settings *s = instance.settings ? &*instance.settings : nullptr;
    switch (controlId) {
        case CTL_LEAF_POINTS: {
            // Whether the panel clamps a leaf size is the module's choice; the layout follows what
            // it kept.
            const auto kept = p.get(CTL_LEAF_POINTS);
            if (!kept)
                fail("the panel's get of control " + hexText(CTL_LEAF_POINTS) +
                     " answered none after a set; expected the leaf size");
            if (s) s->leafPoints = static_cast<std::int32_t>(*kept);
            return true;
        }
        case CTL_TARGET:
            if (s) s->targetIndex = value;
            instance.target = value != 0 ? itemIdAt(value) : nullptr;
            return true;
        case CTL_PIVOT_TYPE:
            if (s) s->pivotType = value;
            return true;
        case CTL_H_ALIGN:
            if (s) s->headingAlign = value;
            return true;
        case CTL_P_ALIGN:
            if (s) s->pitchAlign = value;
            return true;
        default:
            return false;
    }
}

void CheckedHost::get(TrackedInstance &instance, std::uint32_t controlId) {
    hostsim::HostPanel &p = panel(instance);
    const bool known = controlId >= CTL_LEAF_POINTS && controlId <= CTL_P_ALIGN;
    void *raw = p.getRaw(controlId);
    if (known != (raw != nullptr))
        fail("the panel's get of control " + hexText(controlId) +
             (known ? " answered none; expected the value's address"
                    : " answered an address; expected none"));
    if (!known || controlId == CTL_LEAVES || !instance.settings) return;
    std::int32_t value = 0;
    std::memcpy(&value, raw, sizeof value);
    const Settings &s = *instance.settings;
    const std::int32_t expected = controlId == CTL_LEAF_POINTS  ? s.leafPoints
                                  : controlId == CTL_TARGET     ? s.targetIndex
                                  : controlId == CTL_PIVOT_TYPE ? s.pivotType
                                  : controlId == CTL_H_ALIGN    ? s.headingAlign
                                                                : s.pitchAlign;
    if (value != expected)
        fail("the panel's get of control " + hexText(controlId) + " shows " +
             std::to_string(value) + "; expected " + std::to_string(expected));
}

void CheckedHost::edit(TrackedInstance &instance, std::uint32_t controlId, std::int32_t value) {
    hostsim::HostPanel &p = panel(instance);
    const std::size_t updatesBefore = host_.updates().size();
    const hostsim::EditOutcome outcome = host_.edit(p, controlId, value);
    if (outcome.setAnswer != PANEL_SET_ANSWER)
        fail("the panel's set of control " + hexText(controlId) + " answered " +
             std::to_string(outcome.setAnswer) + "; expected " + std::to_string(PANEL_SET_ANSWER));
    noteSetting(instance, p, controlId, value);
    // The host's edit reads the leaf count and notifies, so the arrays match the new size.
    if (controlId == CTL_LEAF_POINTS) instance.tailSettled = true;
    checkUpdates(updatesBefore, instance, controlId == CTL_LEAF_POINTS);
}

void CheckedHost::notify(TrackedInstance &instance, std::uint32_t controlId, std::int32_t event) {
    hostsim::HostPanel &p = panel(instance);
    const std::size_t updatesBefore = host_.updates().size();
    host_.notify(p, controlId, event);
    const bool resized = controlId == CTL_LEAF_POINTS && event == PANEL_EVENT_VALUE_CHANGED;
    if (resized) instance.tailSettled = false;
    checkUpdates(updatesBefore, instance, resized);
}

void CheckedHost::checkUpdates(std::size_t updatesBefore, TrackedInstance &changed,
                               bool expectUpdate) {
    const auto &updates = host_.updates();
    const std::size_t count = updates.size() - updatesBefore;
    if (!expectUpdate) {
        if (count != 0)
            fail("a panel change other than Leaf points asked \"Instance Update\" " +
                 std::to_string(count) + " times; expected never");
        return;
    }
    if (count != 1 || updates[updatesBefore].className != CLASS_DISPLACEMENT_HANDLER ||
        updates[updatesBefore].instance != changed.handle)
        fail("the change of Leaf points asked \"Instance Update\" " + std::to_string(count) +
             " times; expected once, with \"" CLASS_DISPLACEMENT_HANDLER "\" and the instance");
    // The host has evaluated the instance anew: newTime, then a whole pass.
    changed.scanDue = true;
    if (basePositions(changed.object).empty()) return;
    beforeEvaluate(changed);
    try {
        checkFrame(changed, host_.lastPositions(changed.handle));
    } catch (const ValidationFailure &error) {
        fail(std::string("the pass after the change of Leaf points: ") + error.what());
    }
}

}  // namespace validate
