// The module as a host first meets it: descriptor, server list, start-up and both activations.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/service_names.h"
#include "hostsim/host.h"
#include "tests/module/scenes.h"

namespace {

using moduletest::ScopedInstance;
using moduletest::Settings;

hostsim::Scene oneObject() {
    hostsim::Scene scene;
    scene.items.push_back(moduletest::object("Leaf", moduletest::squareLeaf()));
    return scene;
}

// Stand-ins that a test puts in place of the host's own services, to see which ones the module
// holds.
int replacementMeshRequests = 0;
ItemId replacementFirst(std::int32_t, ItemId) {
    return reinterpret_cast<ItemId>(std::uintptr_t{77});
}
ItemId replacementNext(ItemId) { return nullptr; }
const char *replacementName(ItemId) { return "Replacement"; }
MeshHandle *replacementMesh(ItemId, std::int32_t) {
    ++replacementMeshRequests;
    return nullptr;
}

const std::vector<std::string> handlerServices = {SERVICE_OBJECT_INFO, SERVICE_ITEM_INFO,
                                                  SERVICE_INSTANCE_UPDATE};

}  // namespace

TEST(Descriptor, HoldsMagicVersionSystemWordAndStartupAnswersFour) {
    hostsim::Host host(VISTREL_MODULE_FILE);
    const auto words = host.library().descriptorWords();
    EXPECT_EQ(words[0], 0x04121994u);
    EXPECT_EQ(words[1], 3u);
    EXPECT_EQ(words[2], 0x300u);
    EXPECT_EQ(host.library().startupAnswer(), 4u);
    EXPECT_EQ(host.library().descriptor().startupFn(), 4u);
    EXPECT_EQ(host.library().descriptor().startupFn(), 4u);
}

TEST(Descriptor, ServesBothClassesUnderOneSharedNameTextThenFourZeroWords) {
    hostsim::Host host(VISTREL_MODULE_FILE);
    const ServerEntry *list = host.library().descriptor().serverList;
    EXPECT_STREQ(list[0].pluginClass, "DisplacementHandler");
    EXPECT_STREQ(list[1].pluginClass, "DisplacementInterface");
    EXPECT_STREQ(list[0].serverName, "Vistrelle");
    EXPECT_EQ(list[0].serverName, list[1].serverName);
    EXPECT_EQ(list[0].extraInfo, 0u);
    EXPECT_EQ(list[1].extraInfo, 0u);
    const ServerEntry zero{};
    EXPECT_EQ(std::memcmp(&list[2], &zero, sizeof zero), 0);
    EXPECT_EQ(host.library().servers().size(), 2u);
}

TEST(WrongVersion, BothClassesAnswerOneAndLookNothingUp) {
    hostsim::Host host(VISTREL_MODULE_FILE, oneObject());
    const ScopedInstance instance(host);
    for (const std::int32_t version : {3, 5}) {
        host.services().clearLookups();
        hostsim::HandlerTables tables;
        EXPECT_EQ(host.activateHandler(tables, version), 1);
        EXPECT_TRUE(tables.untouched());

        const hostsim::PanelOpening opening = host.openPanel(instance, version);
        EXPECT_EQ(opening.code, 1);
        EXPECT_EQ(opening.binding.panel, hostsim::interfaceSentinel(2));
        EXPECT_EQ(opening.binding.optionsEntry, hostsim::interfaceSentinel(3));
        EXPECT_EQ(opening.binding.commandEntry, hostsim::interfaceSentinel(4));
        EXPECT_TRUE(host.services().lookups().empty());
    }
}

TEST(WrongVersion, KeepsTheServicesOfTheLastActivation) {
    hostsim::Host host(VISTREL_MODULE_FILE, oneObject());
    ObjectInfo replacement{};
    replacement.objectMesh = replacementMesh;
    host.services().add(SERVICE_OBJECT_INFO, &replacement);
    hostsim::HandlerTables tables;
    ASSERT_EQ(host.activateHandler(tables, 5), 1);
    replacementMeshRequests = 0;
    const ScopedInstance instance(host);
    EXPECT_EQ(replacementMeshRequests, 0);
}

TEST(MissingService, EachHandlerServiceMissingAnswersTwoAndLeavesTheBindingUntouched) {
    for (const std::string &missing : handlerServices) {
        hostsim::Host host(VISTREL_MODULE_FILE, oneObject());
        void *taken = host.services().find(missing);
        host.services().remove(missing);
        host.services().clearLookups();
        hostsim::HandlerTables tables;
        EXPECT_EQ(host.activateHandler(tables), 2) << missing;
        EXPECT_TRUE(tables.untouched()) << missing;
        EXPECT_EQ(host.services().lookedUpNames(), handlerServices) << missing;
        host.services().add(missing, taken);
    }
}

TEST(MissingService, WithoutInstanceUpdateTheOtherTwoServicesAreStoredAllTheSame) {
    hostsim::Scene scene = oneObject();
    scene.items.push_back(moduletest::marker("Target", {0, 0, -10}));
    hostsim::Host host(VISTREL_MODULE_FILE, scene);
    const ScopedInstance instance(host);
    host.load(instance, Settings{.targetIndex = 2}.stored());
    ASSERT_EQ(host.describe(instance), "Vistrelobject: Target");

    ItemInfo items{};
    items.firstItem = replacementFirst;
    items.nextItem = replacementNext;
    items.itemName = replacementName;
    ObjectInfo objects{};
    objects.objectMesh = replacementMesh;
    host.services().add(SERVICE_ITEM_INFO, &items);
    host.services().add(SERVICE_OBJECT_INFO, &objects);
    host.services().remove(SERVICE_INSTANCE_UPDATE);
    hostsim::HandlerTables tables;
    ASSERT_EQ(host.activateHandler(tables), 2);

    // describe walks the item list through the Item Info service now held: the replacement's.
    EXPECT_EQ(host.describe(instance), "Vistrelobject: Replacement");
    replacementMeshRequests = 0;
    const ScopedInstance second(host);
    EXPECT_EQ(replacementMeshRequests, 1);
}

TEST(FullHost, HandlerActivationWritesExactlyTheModuleSlots) {
    hostsim::Host host(VISTREL_MODULE_FILE);
    host.services().clearLookups();
    hostsim::HandlerTables tables;
    ASSERT_EQ(host.activateHandler(tables), 0);
    EXPECT_TRUE(tables.hostSlotsIntact());
    EXPECT_NE(tables.instanceOps.create, nullptr);
    EXPECT_NE(tables.instanceOps.destroy, nullptr);
    EXPECT_NE(tables.instanceOps.copy, nullptr);
    EXPECT_NE(tables.instanceOps.load, nullptr);
    EXPECT_NE(tables.instanceOps.save, nullptr);
    EXPECT_NE(tables.instanceOps.describe, nullptr);
    EXPECT_NE(tables.itemOps.useItems, nullptr);
    EXPECT_NE(tables.renderOps.newTime, nullptr);
    EXPECT_NE(tables.binding.evaluate, nullptr);
    EXPECT_NE(tables.binding.flags, nullptr);
    EXPECT_EQ(host.services().lookedUpNames(), handlerServices);
}

TEST(FullHost, InterfaceActivationWritesThePanelAndClearsBothEntries) {
    hostsim::Host host(VISTREL_MODULE_FILE, oneObject());
    const ScopedInstance instance(host);
    host.services().clearLookups();
    const hostsim::PanelOpening opening = host.openPanel(instance);
    EXPECT_EQ(opening.code, 0);
    ASSERT_NE(opening.panel, nullptr);
    EXPECT_EQ(opening.binding.instance, instance);
    EXPECT_EQ(opening.binding.optionsEntry, nullptr);
    EXPECT_EQ(opening.binding.commandEntry, nullptr);
    EXPECT_EQ(host.services().lookedUpNames(), std::vector<std::string>{SERVICE_XPANEL});
}

TEST(FullHost, ActivatingAgainAndAgainKeepsAnsweringZero) {
    hostsim::Host host(VISTREL_MODULE_FILE);
    for (int i = 0; i < 100; ++i) {
        hostsim::HandlerTables tables;
        ASSERT_EQ(host.activateHandler(tables), 0);
    }
}

TEST(FullHost, FlagsAnswerOneAndCopyReportsNoError) {
    hostsim::Host host(VISTREL_MODULE_FILE, oneObject());
    const ScopedInstance instance(host);
    EXPECT_EQ(host.flags(instance), 1u);
    EXPECT_EQ(host.handler().instanceOps.copy(instance, instance), nullptr);
}
