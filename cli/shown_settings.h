// An instance's settings as a person sees them: read back through the module's save, each shown
// by the label of its control in the module's own options panel.
#pragma once

#include "hostsim/host.h"

#include <cstdint>
#include <string>
#include <vector>

namespace cli {

struct ShownSettings {
    std::vector<std::int32_t> saved;  // the data block as save wrote it
    std::int32_t leafPoints = 0;
    // "Object points 4, Target object Camera, Pivot Type first point, H Align on, P Align on"
    std::string caption;
};

// The pivot rule the settings name (pivotType), or the default when save wrote none.
std::int32_t pivotRuleOf(const ShownSettings &settings);

// Saves the instance and opens its options panel for the labels, popup texts and item names.
// Throws hostsim::HostError when save writes too few values or no panel can be opened.
ShownSettings showSettings(hostsim::Host &host, void *instance);

}  // namespace cli
