// The descriptor and server list as a host reads them, and the activation of both classes: many
// times over, with wrong interface versions, and with each service the class needs taken away.
#include "hostsim/hex_text.h"
#include "validate/groups.h"

#include "host/service_names.h"
#include "hostsim/module_library.h"
#include "validate/checked_host.h"
#include "validate/test_scenes.h"
#include "validate/validation_failure.h"

#include <climits>
#include <string_view>

namespace validate {
namespace {

using hostsim::hexText;

void checkDescriptor(const std::filesystem::path &path) {
    const hostsim::ModuleLibrary library(
        path);  // refuses a bad magic, a missing start-up or server list
    const ModuleDescriptor &d = library.descriptor();
    if (d.version != 3) fail("_mod_descrip version is " + hexText(d.version) + "; expected 3");
    if (d.systemWord != 0x300)
        fail("_mod_descrip systemWord is " + hexText(d.systemWord) + "; expected 0x300");
    if (d.shutdownFn == nullptr) fail("_mod_descrip has no shutdown function");
    if (library.startupAnswer() != 4)
        fail("the start-up function answered " + std::to_string(library.startupAnswer()) +
             "; expected 4");
    for (int i = 0; i < 3; ++i)
        if (const auto again = d.startupFn(); again != 4)
            fail("the start-up function answered " + std::to_string(again) +
                 " when called again; expected 4");
    const auto servers = library.servers();
    if (servers.size() != 2)
        fail("the server list holds " + std::to_string(servers.size()) + " entries; expected 2");
    static constexpr std::string_view classes[] = {CLASS_DISPLACEMENT_HANDLER,
                                                   CLASS_DISPLACEMENT_INTERFACE};
    for (std::size_t i = 0; i < 2; ++i) {
        const ServerEntry &entry = servers[i];
        const std::string place = "server entry " + std::to_string(i + 1);
        if (entry.pluginClass != classes[i])
            fail(place + " serves class \"" + entry.pluginClass + "\"; expected \"" +
                 std::string(classes[i]) + "\"");
        if (std::string_view(entry.serverName) != "Vistrelle")
            fail(place + " is named \"" + entry.serverName + "\"; expected \"Vistrelle\"");
        if (entry.extraInfo != 0)
            fail(place + " has extraInfo " + hexText(entry.extraInfo) + "; expected 0");
    }
}

// The panel's tables as the host copied them: six controls with their data types.
void checkPanelTables(const hostsim::HostPanel &panel) {
    if (panel.controls.size() != 6 || panel.data.size() != 6)
        fail("the panel describes " + std::to_string(panel.controls.size()) + " controls and " +
             std::to_string(panel.data.size()) + " data entries; expected 6 of each");
    for (std::uint32_t id = CTL_LEAF_POINTS; id <= CTL_P_ALIGN; ++id) {
        const hostsim::PanelDataEntry *entry = panel.dataEntry(id);
        const std::string expected = id == CTL_LEAVES ? "float" : "integer";
        if (panel.control(id) == nullptr || entry == nullptr)
            fail("the panel lacks control " + hexText(id));
        if (entry->dataType != expected)
            fail("the panel's control " + hexText(id) + " has data type \"" + entry->dataType +
                 "\"; expected \"" + expected + "\"");
    }
    if (panel.hints.changeNotify == nullptr) fail("the panel's hints name no change notification");
    if (panel.derivedFrom(CTL_LEAF_POINTS) != std::vector<std::uint32_t>{CTL_LEAVES})
        fail("the panel's hints do not tie Leaves (" + hexText(CTL_LEAVES) + ") to Leaf points (" +
             hexText(CTL_LEAF_POINTS) + ")");
}

}  // namespace

std::string runDescriptorGroup(const GroupOptions &options) {
    checkDescriptor(options.module);

    hostsim::Scene scene;
    scene.items.push_back(targetItem("Sun", hostsim::Motion::fixed({1, 2, 3})));
    Random random(options.seed);
    scene.items.push_back(meshItem("Leaves", randomLeaves(12, random)));
    CheckedHost host(options.module, std::move(scene));
    TrackedInstance &instance = host.create(1);
    checkPanelTables(host.panel(instance));
    const std::vector<std::string> names =
        host.host().panels().panels().back()->popupEntries(CTL_TARGET);
    if (names != std::vector<std::string>{"(none)", "Sun", "Leaves"})
        fail("the Target object popup does not list \"(none)\" and the scene's items in order");

    const int activations = options.quick ? 100 : 1000;
    for (int i = 0; i < activations; ++i) {
        host.activateHandler(HOST_INTERFACE_VERSION);
        host.activateInterface(instance, HOST_INTERFACE_VERSION);
    }
    for (const std::int32_t version : {3, 5, 0, 1, -1, -4, 40, INT_MIN, INT_MAX}) {
        host.activateHandler(version);
        host.activateInterface(instance, version);
    }
    for (const char *service : {SERVICE_OBJECT_INFO, SERVICE_ITEM_INFO, SERVICE_INSTANCE_UPDATE}) {
        host.activateHandler(HOST_INTERFACE_VERSION, {service});
        host.activateHandler(HOST_INTERFACE_VERSION, {service, SERVICE_XPANEL});
    }
    host.activateHandler(HOST_INTERFACE_VERSION,
                         {SERVICE_OBJECT_INFO, SERVICE_ITEM_INFO, SERVICE_INSTANCE_UPDATE});
    host.activateHandler(HOST_INTERFACE_VERSION, {SERVICE_XPANEL});
    host.activateInterface(instance, HOST_INTERFACE_VERSION, true);
    host.activateInterface(instance, HOST_INTERFACE_VERSION, false, true);

    // The instance still works after all that, and destroy of none does nothing.
    host.frame(instance, 1);
    host.save(instance);
    host.host().handler().instanceOps.destroy(nullptr);
    return std::to_string(activations) + " activations of each class, " + std::to_string(9) +
           " wrong versions, each service missing";
}

}  // namespace validate
