// The validator's host: the stand-in host driving the module, and beside it what the validator
// knows each instance should hold (its settings, its resolved target, the pivots its scans
// measured). Every call made through it is checked against that knowledge; a violation throws
// ValidationFailure.
#pragma once

#include "host/vistrelle_contract.h"
#include "hostsim/host.h"
#include "hostsim/vistrelle_settings.h"
#include "validate/leaf_layout.h"
#include "validate/pass_check.h"
#include "validate/position_math.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace validate {

// The five stored settings, in stored order.
using Settings = hostsim::VistrelleSettings;

// What the validator knows of one instance.
struct TrackedInstance {
    void *handle = nullptr;
    ItemId object = nullptr;
    std::optional<Settings> settings =
        Settings{};  // none after a load that delivered fewer than five values
    std::optional<ItemId> target = ItemId{};  // the resolved target; none while it cannot be known
    bool scanDue = true;                      // the next evaluate measures the leaves
    bool tailSettled = true;                  // the leaf count is in step with the leaf size
    std::set<std::array<std::uint64_t, 3>> pivotBits;  // every pivot a scan may have left, as bits
    std::vector<Position> pivots;                      // the same, as positions
    std::vector<Position> latestPivots;  // the pivots of the latest scan, in leaf order
    LeafRule latestRule;
    hostsim::HostPanel *panel = nullptr;
    std::size_t nextPoint = 0;  // where a pass made in pieces goes on
};

class CheckedHost {
  public:
    CheckedHost(const std::filesystem::path &module, hostsim::Scene scene);

    hostsim::Host &host() { return host_; }
    const PassTally &tally() const { return tally_; }
    std::vector<std::unique_ptr<TrackedInstance>> &instances() { return instances_; }

    // --- Activation, each checked against its expected answer and the bindings it may write.
    // Activates the handler with fresh tables, the named services taken away meanwhile. Expects 1
    // for a version other than 4 (nothing looked up or written), else 2 when a service is missing
    // (binding untouched), else 0 with every entry written. After a refusal the handler is
    // activated again properly, since a failed activation leaves the module's services unset.
    std::int32_t activateHandler(std::int32_t version,
                                 const std::vector<std::string> &missing = {});
    // Activates the interface for `instance`. Expects 1 for a wrong version, 2 without the panel
    // service or when the host cannot make a panel (panel written none), else 0 with a panel.
    // After a refusal a panel is opened properly, so the module's panel service is set again.
    std::int32_t activateInterface(TrackedInstance &instance, std::int32_t version,
                                   bool withoutPanelService = false, bool panelCreateFails = false);

    // --- Instances
    TrackedInstance &create(std::size_t itemIndex);
    void destroy(TrackedInstance &instance);
    void load(TrackedInstance &instance, const std::vector<std::int32_t> &values);
    // The five integers save wrote; checked against the settings when they are known.
    std::vector<std::int32_t> save(TrackedInstance &instance);
    void checkDescribe(TrackedInstance &instance);
    void checkUseItems(TrackedInstance &instance);
    void checkFlags(TrackedInstance &instance);
    // copy changes nothing in either instance.
    void checkCopy(TrackedInstance &to, TrackedInstance &from);

    // --- Panel
    hostsim::HostPanel &panel(TrackedInstance &instance);
    // The set callback alone, as a host calls it before it reads derived controls and notifies.
    void set(TrackedInstance &instance, std::uint32_t controlId, std::int32_t value);
    // The get callback; a known control gives an address, any other none.
    void get(TrackedInstance &instance, std::uint32_t controlId);
    // A user's edit: set, derived reads, change notification, and the evaluation it asks for.
    void edit(TrackedInstance &instance, std::uint32_t controlId, std::int32_t value);
    void notify(TrackedInstance &instance, std::uint32_t controlId, std::int32_t event);

    // --- Evaluation
    void newTime(TrackedInstance &instance, std::int32_t frame, double time);
    // newTime, then every point once in order; checked leaf by leaf.
    PassTally frame(TrackedInstance &instance, std::int32_t frame);
    // Every point once in order without newTime.
    PassTally pass(TrackedInstance &instance);
    // The next `count` points of a pass made in pieces, each moved by `offset` first (when given).
    PassTally evaluatePoints(TrackedInstance &instance, std::size_t count,
                             const std::optional<Position> &offset);

    // --- The scene as the module should see it
    std::vector<Position> basePositions(ItemId object);
    ItemId itemIdAt(std::int32_t position);
    // The name the item list shows at a 1-based position: "(none)" at 0; none outside the list.
    std::optional<std::string> itemNameAt(std::int32_t position);
    // The instance's leaf layout: from its known settings, else as save reports them.
    LeafRule layoutOf(TrackedInstance &instance);

  private:
    // What the module does ahead of every evaluate: resolve the target, measure the leaves if due.
    void beforeEvaluate(TrackedInstance &instance);
    void noteScan(TrackedInstance &instance);
    // Notes in the instance's expected settings what a set of `controlId` to `value` stored; false
    // for a control that holds no setting.
    bool noteSetting(TrackedInstance &instance, const hostsim::HostPanel &p,
                     std::uint32_t controlId, std::int32_t value);
    // Checks the passes the host made for "Instance Update" calls since `updatesBefore`.
    void checkUpdates(std::size_t updatesBefore, TrackedInstance &changed, bool expectUpdate);
    PassTally checkFrame(TrackedInstance &instance, const std::vector<Position> &after);

    hostsim::Host host_;
    std::vector<std::unique_ptr<TrackedInstance>> instances_;
    PassTally tally_;
};

}  // namespace validate
