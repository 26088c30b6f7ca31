// Reading a panel through its callbacks and drawing it as text.
#include "cli/panel_view.h"

#include "host/vistrelle_contract.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <iomanip>

namespace cli {

std::string numberText(double value) {
    std::array<char, 32> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value);
    return {text.data(), result.ptr};
}

bool sameIgnoringCase(const std::string &a, const std::string &b) {
    const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

std::optional<std::size_t> ControlView::chosenEntry() const {
    if (!value || *value != std::trunc(*value) || *value < 0 ||
        *value >= static_cast<double>(entries.size()))
        return std::nullopt;
    return static_cast<std::size_t>(*value);
}

std::string ControlView::valueText() const {
    if (!value) return "(no value)";
    if (controlClass == popupClass) {
        if (const auto chosen = chosenEntry()) return entries[*chosen];
        return numberText(*value) + " (no such entry)";
    }
    // A switch is on exactly when its value is SWITCH_ON; a value other than SWITCH_ON and
    // SWITCH_OFF is shown as it is.
    if (controlClass == switchClass && (*value == SWITCH_OFF || *value == SWITCH_ON))
        return *value == SWITCH_ON ? "on" : "off";
    return numberText(*value);
}

const ControlView *PanelView::find(const std::string &label) const {
    for (const ControlView &control : controls)
        if (control.label == label) return &control;
    for (const ControlView &control : controls)
        if (sameIgnoringCase(control.label, label)) return &control;
    return nullptr;
}

std::string PanelView::labelList() const {
    std::string list;
    for (const ControlView &control : controls) list += (list.empty() ? "" : ", ") + control.label;
    return list;
}

PanelView readPanel(const hostsim::HostPanel &panel) {
    PanelView view;
    view.title = panel.hints.title.value_or("(untitled panel)");
    for (const hostsim::PanelControl &control : panel.controls) {
        ControlView shown{
            control.id, control.label, control.controlClass, panel.get(control.id), {}, {}};
        if (panel.hints.popups.contains(control.id))
            shown.entries = panel.popupEntries(control.id);
        else if (panel.hints.stringLists.contains(control.id))
            shown.entries = panel.stringList(control.id);
        for (const auto &[source, derived] : panel.hints.derived)
            if (std::find(derived.begin(), derived.end(), control.id) != derived.end())
                if (const hostsim::PanelControl *from = panel.control(source))
                    shown.derivedFrom = from->label;
        view.controls.push_back(std::move(shown));
    }
    return view;
}

void printPanel(std::ostream &out, const PanelView &view) {
    std::size_t width = 0;
    for (const ControlView &control : view.controls) width = std::max(width, control.label.size());
    const std::string entryIndent(2 + width + 2, ' ');

    out << view.title << '\n';
    for (const ControlView &control : view.controls) {
        out << "  " << std::left << std::setw(static_cast<int>(width)) << control.label << "  "
            << control.valueText();
        if (!control.derivedFrom.empty()) out << "  (from " << control.derivedFrom << ')';
        out << '\n';
        const auto chosen = control.chosenEntry();
        for (std::size_t i = 0; i < control.entries.size(); ++i)
            out << entryIndent << (chosen == i ? "> " : "  ") << i << "  " << control.entries[i]
                << '\n';
    }
}

}  // namespace cli
