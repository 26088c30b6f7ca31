// A module's options panel as the host draws it, in text: the title, then every control in table
// order with its label and the value read through the panel's get callback. Popups list their
// entries with the chosen one marked; switches read on or off.
#pragma once

#include "host/vistrelle_contract.h"
#include "hostsim/panel_service.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace cli {

// Control classes the host knows how to draw; any other class shows its raw value.
inline constexpr const char *integerClass = "integer";
inline constexpr const char *floatClass = "float";
inline constexpr const char *popupClass = "iPopChoice";
inline constexpr const char *switchClass = "iBoolean";

// One control as read from the panel at one moment.
struct ControlView {
    std::uint32_t id = 0;
    std::string label;
    std::string controlClass;
    std::optional<double> value;       // none when the get callback answered null
    std::vector<std::string> entries;  // a popup's entries, from its callbacks or its string list
    std::string derivedFrom;  // label of the control the hints derive it from; empty when none

    // The index of the chosen popup entry; none when the value names no entry.
    std::optional<std::size_t> chosenEntry() const;
    // The value as the user sees it: "4", "2.5", "on", the chosen entry's text.
    std::string valueText() const;
};

struct PanelView {
    std::string title;
    std::vector<ControlView> controls;

    // The control of that label: exact match first, then one that differs only in letter case.
    const ControlView *find(const std::string &label) const;
    // "Object points, Clones, ..." for messages.
    std::string labelList() const;
};

// Reads every control through the panel's callbacks, as the host does when it draws the panel.
PanelView readPanel(const hostsim::HostPanel &panel);

// The title line, then one line per control and one per popup entry, indented by two.
void printPanel(std::ostream &out, const PanelView &view);

// The shortest decimal text that reads back as `value`: "4", "2.5", "inf", "nan".
std::string numberText(double value);

// Equal when both are the same but for letter case (ASCII).
bool sameIgnoringCase(const std::string &a, const std::string &b);

}  // namespace cli
