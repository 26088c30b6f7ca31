// "LWXPanel": the host's panel service. It keeps every panel the module builds: copies of its
// control and data tables, its value callbacks, its hints as read and as raw words, its user data
// and the instance it views. A malformed table or hint list is noted on the panel (and in the
// service's error list), never followed further.
#pragma once

#include "host/xpanel.h"
#include "hostsim/hint_list.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hostsim {

struct PanelControl {
    std::uint32_t id = 0;
    std::string label;
    std::string controlClass;
};

struct PanelDataEntry {
    std::uint32_t id = 0;
    std::string name;
    std::string dataType;  // "integer" (int32_t) or "float" (double)
};

// Longest control or data table read before the panel is marked malformed.
inline constexpr std::size_t maxPanelRecords = 256;

class HostPanel {
  public:
    std::int32_t kind = 0;
    std::vector<PanelControl> controls;
    std::vector<PanelDataEntry> data;
    PanelGetFn getFn = nullptr;
    PanelSetFn setFn = nullptr;
    HintReading hints;                         // of the latest panelHint call
    std::uint32_t hintControl = 0;             // the id that call named
    std::map<std::uint32_t, void *> userData;  // what panelSetData stored, by id
    void *viewInstance = nullptr;              // what panelViewInstance named
    std::vector<std::string> calls;            // the service operations made on it, in order
    std::optional<std::string> error;          // the first thing found wrong with it

    Panel handle() const { return const_cast<HostPanel *>(this); }
    // The data description of `id`, or null when the module described none.
    const PanelDataEntry *dataEntry(std::uint32_t id) const;
    const PanelControl *control(std::uint32_t id) const;

    // The get callback for `id`, called with the viewed instance as the host does; its raw answer.
    void *getRaw(std::uint32_t id) const;
    // The value behind getRaw, read as the data type says (integer when undescribed); nullopt for
    // null.
    std::optional<double> get(std::uint32_t id) const;
    // Passes `value` to the set callback as the data type says: an int32_t for "integer" (HostError
    // when `value` is not a whole number in range), a double for "float". The callback's answer.
    std::int32_t set(std::uint32_t id, double value) const;
    // The entries of a popup: its count callback, then its name callback for each index, both given
    // the panel's user data as context. HostError when the control has no popup callbacks.
    std::vector<std::string> popupEntries(std::uint32_t id) const;
    // The entries of a string-list popup; HostError when the control has none.
    const std::vector<std::string> &stringList(std::uint32_t id) const;
    // Calls the change notification as the host does after a user change; HostError when none was
    // hinted.
    void notifyRaw(std::uint32_t id, std::int32_t event);
    // Controls derived from `id` by the hints; empty when none.
    std::vector<std::uint32_t> derivedFrom(std::uint32_t id) const;

    void noteError(const std::string &what) {
        if (!error) error = what;
    }
};

class PanelService {
  public:
    PanelService();
    PanelService(const PanelService &) = delete;
    PanelService &operator=(const PanelService &) = delete;

    XPanel *table() { return &table_; }
    // Test hook: while set, panelCreate answers null.
    bool failCreate = false;

    // The panel behind a handle this service made; null otherwise.
    HostPanel *find(Panel panel) const;
    const std::vector<std::unique_ptr<HostPanel>> &panels() const { return panels_; }
    // Everything found wrong so far, oldest first.
    const std::vector<std::string> &errors() const { return errors_; }

    // The work of the C entries.
    Panel create(std::int32_t kind, const ControlRecord *controls);
    std::int32_t describe(Panel panel, const DataRecord *data, PanelGetFn get, PanelSetFn set);
    void hint(Panel panel, std::uint32_t id, const std::uintptr_t *hints);
    void *getData(Panel panel, std::uint32_t id);
    void setData(Panel panel, std::uint32_t id, void *data);
    std::int32_t viewInstance(Panel panel, void *instance);

  private:
    // The panel behind `panel`, noting an error naming `operation` when it is unknown.
    HostPanel *known(Panel panel, const char *operation);
    void noteError(HostPanel *panel, const std::string &what);

    XPanel table_{};
    std::vector<std::unique_ptr<HostPanel>> panels_;
    std::vector<std::string> errors_;
};

}  // namespace hostsim
