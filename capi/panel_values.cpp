// Reading the options panel and checking a value for one of its controls.
#include "capi/panel_values.h"

#include "hostsim/host_error.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace capi {
namespace {

constexpr const char *popupClass = "iPopChoice";
constexpr const char *switchClass = "iBoolean";
constexpr const char *floatClass = "float";

[[noreturn]] void refuse(const PanelControlView &control, const std::string &what) {
    throw hostsim::HostError("panel: \"" + control.label + "\" " + what);
}

bool sameIgnoringCase(const std::string &a, const std::string &b) {
    const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

std::string entryList(const PanelControlView &control) {
    std::string list;
    for (std::size_t i = 0; i < control.entries.size(); ++i)
        list += (i ? ", " : "") + std::to_string(i) + "=" + control.entries[i];
    return list;
}

std::string numberText(double value) {
    std::array<char, 32> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value);
    return {text.data(), result.ptr};
}

bool wholeInt32(double v) {
    return std::isfinite(v) && v == std::trunc(v) &&
           v >= std::numeric_limits<std::int32_t>::min() &&
           v <= std::numeric_limits<std::int32_t>::max();
}

// The number in `input`, or nullopt for a text.
std::optional<double> numberIn(const PanelInput &input) {
    if (const bool *b = std::get_if<bool>(&input)) return *b ? 1.0 : 0.0;
    if (const std::int64_t *i = std::get_if<std::int64_t>(&input)) {
        // Beyond what a double holds exactly is beyond every control's range anyway.
        if (*i > (std::int64_t{1} << 53) || *i < -(std::int64_t{1} << 53))
            return std::numeric_limits<double>::infinity();
        return static_cast<double>(*i);
    }
    if (const double *d = std::get_if<double>(&input)) return *d;
    return std::nullopt;
}

double popupNumber(const PanelControlView &control, const PanelInput &input) {
    if (const std::string *text = std::get_if<std::string>(&input)) {
        for (std::size_t i = 0; i < control.entries.size(); ++i)
            if (control.entries[i] == *text) return static_cast<double>(i);
        for (std::size_t i = 0; i < control.entries.size(); ++i)
            if (sameIgnoringCase(control.entries[i], *text)) return static_cast<double>(i);
        refuse(control, "has no entry \"" + *text + "\"; entries: " + entryList(control));
    }
    const double v = *numberIn(input);
    if (!wholeInt32(v) || v < 0 || v >= static_cast<double>(control.entries.size()))
        refuse(control, "has no entry " + numberText(v) + "; entries: " + entryList(control));
    return v;
}

double switchNumber(const PanelControlView &control, const PanelInput &input) {
    if (const std::string *text = std::get_if<std::string>(&input)) {
        for (const char *on : {"on", "1", "true"})
            if (sameIgnoringCase(*text, on)) return 1;
        for (const char *off : {"off", "0", "false"})
            if (sameIgnoringCase(*text, off)) return 0;
        refuse(control, "takes on, off, 1, 0, True or False, not \"" + *text + "\"");
    }
    const double v = *numberIn(input);
    if (v != 0 && v != 1)
        refuse(control, "takes on, off, 1, 0, True or False, not " + numberText(v));
    return v;
}

}  // namespace

std::vector<PanelControlView> readControls(const hostsim::HostPanel &panel) {
    std::vector<PanelControlView> controls;
    for (const hostsim::PanelControl &control : panel.controls) {
        const hostsim::PanelDataEntry *data = panel.dataEntry(control.id);
        PanelControlView view{control.id,
                              control.label,
                              data ? data->name : "",
                              control.controlClass,
                              panel.get(control.id),
                              {},
                              false};
        if (panel.hints.popups.contains(control.id))
            view.entries = panel.popupEntries(control.id);
        else if (panel.hints.stringLists.contains(control.id))
            view.entries = panel.stringList(control.id);
        for (const auto &[source, derived] : panel.hints.derived)
            if (std::find(derived.begin(), derived.end(), control.id) != derived.end())
                view.derived = true;
        controls.push_back(std::move(view));
    }
    return controls;
}

std::size_t controlPlace(const std::vector<PanelControlView> &controls, const std::string &label) {
    for (std::size_t i = 0; i < controls.size(); ++i)
        if (controls[i].label == label) return i;
    for (std::size_t i = 0; i < controls.size(); ++i)
        if (sameIgnoringCase(controls[i].label, label)) return i;
    for (std::size_t i = 0; i < controls.size(); ++i)
        if (sameIgnoringCase(controls[i].dataName, label)) return i;
    std::string labels;
    for (const PanelControlView &control : controls)
        labels += (labels.empty() ? "" : ", ") + control.label;
    throw hostsim::HostError("panel: no control \"" + label + "\"; controls: " + labels);
}

double panelNumber(const PanelControlView &control, const PanelInput &input) {
    if (control.derived)
        refuse(control, "is shown only: the module works it out from another control");
    if (control.controlClass == popupClass) return popupNumber(control, input);
    if (control.controlClass == switchClass) return switchNumber(control, input);
    if (std::holds_alternative<std::string>(input))
        refuse(control, "takes a number, not \"" + std::get<std::string>(input) + "\"");
    const double v = *numberIn(input);
    if (control.controlClass == floatClass) {
        if (!std::isfinite(v)) refuse(control, "takes a finite number");
        return v;
    }
    if (!wholeInt32(v))
        refuse(control, "takes a whole number from " +
                            std::to_string(std::numeric_limits<std::int32_t>::min()) + " to " +
                            std::to_string(std::numeric_limits<std::int32_t>::max()) + ", not " +
                            numberText(v));
    return v;
}

}  // namespace capi
