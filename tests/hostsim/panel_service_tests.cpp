// The panel service on its own, driven as a module drives it: tables copied and checked, the
// create hook, user data, and the host-side use of the value and popup callbacks.
#include "hostsim/active_host.h"
#include "hostsim/host_error.h"
#include "hostsim/panel_service.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using hostsim::HostError;
using hostsim::PanelService;

struct Values {
    std::int32_t count = 4;
    double ratio = 2.5;
    std::vector<std::uint32_t> setIds;
};

extern "C" void *getValue(void *instance, std::uint32_t id) {
    auto *values = static_cast<Values *>(instance);
    if (id == 1) return &values->count;
    if (id == 2) return &values->ratio;
    return nullptr;
}

extern "C" std::int32_t setValue(void *instance, std::uint32_t id, void *value) {
    auto *values = static_cast<Values *>(instance);
    values->setIds.push_back(id);
    if (id == 1) values->count = *static_cast<std::int32_t *>(value);
    if (id == 2) values->ratio = *static_cast<double *>(value);
    return 3;
}

void *seenContext = nullptr;
extern "C" std::int32_t countNames(void *context) {
    seenContext = context;
    return 3;
}
extern "C" const char *nameAt(void *, std::int32_t index) {
    static const char *const names[] = {"(none)", "Cone", "Sun"};
    return names[index];
}

const ControlRecord controls[] = {
    {1, "Points", "integer"}, {2, "Ratio", "float"}, {0, nullptr, nullptr}};
const DataRecord data[] = {{1, "Points", "integer"}, {2, "Ratio", "float"}, {0, nullptr, nullptr}};

template <typename T>
std::uintptr_t word(T *address) {
    return reinterpret_cast<std::uintptr_t>(address);
}

class PanelServiceTest : public ::testing::Test {
  protected:
    PanelService service;
    hostsim::ActiveHostScope scope{{nullptr, nullptr, &service, nullptr}};
    XPanel *xpanel = service.table();
    Values values;

    hostsim::HostPanel &build() {
        Panel panel = xpanel->panelCreate(PANEL_KIND_VIEW, controls);
        const std::uintptr_t hints[] = {HINT_POPUP_FUNCS, 3, word(&countNames), word(&nameAt),
                                        HINT_END};
        xpanel->panelHint(panel, 0, hints);
        xpanel->panelDescribe(panel, data, &getValue, &setValue);
        xpanel->panelViewInstance(panel, &values);
        xpanel->panelSetData(panel, 0, &values);
        return *service.find(panel);
    }
};

TEST_F(PanelServiceTest, TablesAreCopiedAndCallsRecordedInOrder) {
    const auto &panel = build();
    ASSERT_EQ(panel.controls.size(), 2u);
    EXPECT_EQ(panel.controls[1].label, "Ratio");
    EXPECT_EQ(panel.data[0].dataType, "integer");
    EXPECT_EQ(panel.kind, PANEL_KIND_VIEW);
    EXPECT_EQ(panel.calls, (std::vector<std::string>{"panelCreate", "panelHint", "panelDescribe",
                                                     "panelViewInstance", "panelSetData"}));
    EXPECT_FALSE(panel.error);
    EXPECT_TRUE(service.errors().empty());
}

TEST_F(PanelServiceTest, UserDataComesBackById) {
    const auto &panel = build();
    EXPECT_EQ(xpanel->panelGetData(panel.handle(), 0), &values);
    EXPECT_EQ(xpanel->panelGetData(panel.handle(), 9), nullptr);
    EXPECT_EQ(xpanel->panelGetData(&values, 0), nullptr);  // not a panel of this service
}

TEST_F(PanelServiceTest, CreateHookMakesNoPanel) {
    service.failCreate = true;
    EXPECT_EQ(xpanel->panelCreate(PANEL_KIND_VIEW, controls), nullptr);
    EXPECT_TRUE(service.panels().empty());
}

TEST_F(PanelServiceTest, ValuesTravelAsTheirDataTypeSays) {
    auto &panel = build();
    EXPECT_EQ(panel.get(1), 4.0);
    EXPECT_EQ(panel.get(2), 2.5);
    EXPECT_EQ(panel.get(7), std::nullopt);
    EXPECT_EQ(panel.set(1, 12), 3);
    EXPECT_EQ(panel.set(2, 0.25), 3);
    EXPECT_EQ(values.count, 12);
    EXPECT_EQ(values.ratio, 0.25);
}

TEST_F(PanelServiceTest, IntegerControlRefusesAFraction) {
    auto &panel = build();
    EXPECT_THROW(panel.set(1, 2.5), HostError);
    EXPECT_THROW(panel.set(1, 3e10), HostError);
    EXPECT_TRUE(values.setIds.empty());
}

TEST_F(PanelServiceTest, PopupEntriesComeFromTheCallbacksWithTheUserData) {
    const auto &panel = build();
    EXPECT_EQ(panel.popupEntries(3), (std::vector<std::string>{"(none)", "Cone", "Sun"}));
    EXPECT_EQ(seenContext, &values);
    EXPECT_THROW(panel.popupEntries(1), HostError);
    EXPECT_THROW(panel.stringList(3), HostError);
}

TEST_F(PanelServiceTest, UnclosedControlTableIsNotedOnThePanel) {
    std::vector<ControlRecord> endless(hostsim::maxPanelRecords + 5,
                                       ControlRecord{1, "x", "integer"});
    Panel panel = xpanel->panelCreate(PANEL_KIND_VIEW, endless.data());
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(service.find(panel)->error, "control table not closed within 256 records");
    EXPECT_EQ(service.errors().size(), 1u);
}

TEST_F(PanelServiceTest, ClosingRecordWithTextsIsNoted) {
    const DataRecord sloppy[] = {{1, "Points", "integer"}, {0, "stray", nullptr}};
    Panel panel = xpanel->panelCreate(PANEL_KIND_VIEW, controls);
    xpanel->panelDescribe(panel, sloppy, &getValue, &setValue);
    EXPECT_EQ(service.find(panel)->error, "data table: record 2 has id 0 but texts");
}

TEST_F(PanelServiceTest, MalformedHintListIsNotedNotFollowed) {
    Panel panel = xpanel->panelCreate(PANEL_KIND_VIEW, controls);
    std::vector<std::uintptr_t> endless(hostsim::maxHintWords + 10, 0x3d000101);
    xpanel->panelHint(panel, 0, endless.data());
    EXPECT_EQ(service.find(panel)->error, "hint list: no end word within 4096 words");
}

TEST_F(PanelServiceTest, ForeignPanelHandleIsNotedNotFollowed) {
    xpanel->panelSetData(&values, 0, &values);
    ASSERT_EQ(service.errors().size(), 1u);
    EXPECT_EQ(service.errors()[0], "panelSetData was given a panel this host did not make");
}

}  // namespace
