// The module's options panel as the C interface shows it: controls by their label, values checked
// by the rules the host's panel applies (a popup takes one of its entries, a switch on or off, an
// integer field a whole 32-bit number; the derived display takes nothing).
#pragma once

#include "hostsim/panel_service.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace capi {

// What a caller hands in: a number, a truth value or a text (a popup entry's name, "on", "off").
using PanelInput = std::variant<bool, std::int64_t, double, std::string>;

struct PanelControlView {
    std::uint32_t id = 0;
    std::string label;
    std::string dataName;  // the name the module describes its value by ("Leaves" for "Clones")
    std::string controlClass;
    std::optional<double> value;
    std::vector<std::string> entries;  // of a popup; empty for other controls
    bool derived = false;              // shown only, set by the module from another control
};

std::vector<PanelControlView> readControls(const hostsim::HostPanel &panel);
// The place of the control of `label` (exact, then ignoring case), or else of that data name;
// HostError listing the labels when none.
std::size_t controlPlace(const std::vector<PanelControlView> &controls, const std::string &label);
// The number the host hands the set callback for `input`; HostError in one line when the control
// does not take it.
double panelNumber(const PanelControlView &control, const PanelInput &input);

}  // namespace capi
