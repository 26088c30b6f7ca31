// Labelling saved settings with the panel's own texts.
#include "cli/shown_settings.h"

#include "cli/option_controls.h"
#include "host/vistrelle_contract.h"
#include "hostsim/host_error.h"

#include <iterator>

namespace cli {
namespace {

// The entry at `index` of a popup's texts, or the number itself when it names no entry.
std::string entryText(const std::vector<std::string> &entries, std::int32_t index) {
    if (index >= 0 && static_cast<std::size_t>(index) < entries.size())
        return entries[static_cast<std::size_t>(index)];
    return std::to_string(index);
}

std::string valueText(hostsim::HostPanel &panel, std::uint32_t control, std::int32_t value) {
    switch (control) {
        case CTL_TARGET:
            return entryText(panel.popupEntries(control), value);
        case CTL_PIVOT_TYPE:
            return entryText(panel.stringList(control), value);
        case CTL_H_ALIGN:
        case CTL_P_ALIGN:
            return value == SWITCH_ON ? "on" : "off";  // the module turns exactly when on
        default:
            return std::to_string(value);
    }
}

}  // namespace

ShownSettings showSettings(hostsim::Host &host, void *instance) {
    ShownSettings shown;
    shown.saved = host.save(instance);
    constexpr std::size_t expected = std::size(savedSettingControls);
    if (shown.saved.size() < expected)
        throw hostsim::HostError::at(host.library().path(),
                                     "save wrote " + std::to_string(shown.saved.size()) +
                                         " values, expected " + std::to_string(expected));
    shown.leafPoints = shown.saved[0];

    const hostsim::PanelOpening opening = host.openPanel(instance);
    if (opening.panel == nullptr)
        throw hostsim::HostError::at(host.library().path(),
                                     "the options panel did not open (activation answered " +
                                         std::to_string(opening.code) + ")");
    hostsim::HostPanel &panel = *opening.panel;
    for (std::size_t i = 0; i < expected; ++i) {
        const std::uint32_t control = savedSettingControls[i];
        const hostsim::PanelControl *described = panel.control(control);
        if (!shown.caption.empty()) shown.caption += ", ";
        shown.caption +=
            described != nullptr ? described->label : "control " + std::to_string(control);
        shown.caption += ' ' + valueText(panel, control, shown.saved[i]);
    }
    return shown;
}

std::int32_t pivotRuleOf(const ShownSettings &settings) {
    return settings.saved.size() > SETTING_PIVOT_TYPE ? settings.saved[SETTING_PIVOT_TYPE]
                                                      : DEFAULT_PIVOT_TYPE;
}

}  // namespace cli
