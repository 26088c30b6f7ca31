// The C interface answers every input with a status and one line, never an abort, and turns as the
// host does.
#include "capi/vistrelle_session.h"
#include "host/vistrelle_contract.h"
#include "hostsim/host.h"
#include "hostsim/vistrelle_settings.h"
#include "testkit/scratch_folder.h"
#include "tests/capi/card_session.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

class SessionApi : public CardSession {
  protected:
    std::vector<float> turned(int32_t frame) {
        std::vector<float> out(card.size(), -1.0f);
        float *outputs[1] = {out.data()};
        const size_t counts[1] = {4};
        EXPECT_EQ(vistrelle_turn(session, frame, nullptr, outputs, counts, 1), VISTRELLE_OK)
            << vistrelle_last_error();
        return out;
    }
};

bool oneLine(const char *text) { return *text != '\0' && std::strchr(text, '\n') == nullptr; }

TEST_F(SessionApi, NullsAnswerBadArgumentWithALine) {
    size_t count = 0;
    EXPECT_EQ(vistrelle_item_count(nullptr, &count), VISTRELLE_BAD_ARGUMENT);
    EXPECT_EQ(vistrelle_item_count(session, nullptr), VISTRELLE_BAD_ARGUMENT);
    EXPECT_TRUE(oneLine(vistrelle_last_error()));
    EXPECT_EQ(vistrelle_add_object(session, nullptr, card.data(), 4, nullptr, &count),
              VISTRELLE_BAD_ARGUMENT);
    EXPECT_EQ(vistrelle_add_object(session, "X", nullptr, 4, nullptr, &count),
              VISTRELLE_BAD_ARGUMENT);
    EXPECT_EQ(vistrelle_add_target(session, "X", nullptr, 1, &count), VISTRELLE_BAD_ARGUMENT);
    EXPECT_EQ(vistrelle_turn(session, 0, nullptr, nullptr, nullptr, 1), VISTRELLE_BAD_ARGUMENT);
    VistrelleSession *other = nullptr;
    EXPECT_EQ(vistrelle_open(nullptr, 24.0, &other), VISTRELLE_BAD_ARGUMENT);
    EXPECT_EQ(vistrelle_open(VISTREL_MODULE_FILE, 24.0, nullptr), VISTRELLE_BAD_ARGUMENT);
    EXPECT_EQ(vistrelle_close(nullptr), VISTRELLE_BAD_ARGUMENT);
    vistrelle_release(nullptr);
    ASSERT_EQ(vistrelle_item_count(session, &count), VISTRELLE_OK);
    EXPECT_EQ(count, 2u);
}

TEST_F(SessionApi, RefusalsChangeNothing) {
    const std::vector<float> before = turned(3);
    const double nan = std::nan("");
    const double badKey[4] = {0.0, nan, 0.0, 0.0};
    size_t number = 0;
    EXPECT_EQ(vistrelle_add_target(session, "N", badKey, 1, &number), VISTRELLE_REFUSED);
    EXPECT_EQ(vistrelle_move_target(session, target, badKey, 1), VISTRELLE_REFUSED);
    EXPECT_EQ(vistrelle_move_target(session, 99, badKey, 1), VISTRELLE_REFUSED);
    EXPECT_EQ(vistrelle_add_target(session, "None", badKey, 0, &number), VISTRELLE_REFUSED);
    const float badPoints[3] = {0.0f, static_cast<float>(nan), 0.0f};
    EXPECT_EQ(vistrelle_add_object(session, "B", badPoints, 1, nullptr, &number),
              VISTRELLE_REFUSED);
    EXPECT_EQ(vistrelle_set_points(session, object, badPoints, 1), VISTRELLE_REFUSED);
    EXPECT_NE(std::string(vistrelle_last_error()).find("not finite"), std::string::npos);
    size_t place = 0;
    EXPECT_EQ(vistrelle_find_control(session, object, "Leaf size", &place), VISTRELLE_REFUSED);
    EXPECT_NE(std::string(vistrelle_last_error()).find("controls: Object points"),
              std::string::npos);
    ASSERT_EQ(vistrelle_find_control(session, object, "pivot type", &place), VISTRELLE_OK);
    EXPECT_EQ(vistrelle_set_control(session, object, place, 4.0, nullptr), VISTRELLE_REFUSED);
    EXPECT_EQ(vistrelle_set_control(session, object, place, 0.0, "middle"), VISTRELLE_REFUSED);
    EXPECT_EQ(vistrelle_set_control(session, object, 17, 0.0, nullptr), VISTRELLE_BAD_ARGUMENT);
    EXPECT_EQ(vistrelle_point_count(session, 5, &number), VISTRELLE_BAD_ARGUMENT);
    EXPECT_TRUE(oneLine(vistrelle_last_error()));
    EXPECT_EQ(turned(3), before);
    size_t items = 0;
    ASSERT_EQ(vistrelle_item_count(session, &items), VISTRELLE_OK);
    EXPECT_EQ(items, 2u);
}

TEST_F(SessionApi, OutputsThatDoNotFitAreNotWritten) {
    std::vector<float> out(card.size(), -1.0f);
    float *outputs[2] = {out.data(), out.data()};
    size_t counts[2] = {3, 4};
    EXPECT_EQ(vistrelle_turn(session, 0, nullptr, outputs, counts, 1), VISTRELLE_BAD_ARGUMENT);
    EXPECT_NE(std::string(vistrelle_last_error()).find("holds 3 points, object 0 has 4"),
              std::string::npos);
    EXPECT_EQ(vistrelle_turn(session, 0, nullptr, outputs, counts + 1, 2), VISTRELLE_BAD_ARGUMENT);
    const double never = std::nan("");
    EXPECT_EQ(vistrelle_turn(session, 0, &never, outputs, counts + 1, 1), VISTRELLE_REFUSED);
    EXPECT_EQ(out, std::vector<float>(card.size(), -1.0f));
}

TEST_F(SessionApi, TextsTooLongForTheBufferKeepWhatFitsAndTellTheLength) {
    char text[4] = {'x', 'x', 'x', 'x'};
    size_t length = 0;
    EXPECT_EQ(vistrelle_item_name(session, 2, nullptr, 0, &length), VISTRELLE_SHORT_BUFFER);
    EXPECT_EQ(length, 4u);
    EXPECT_EQ(vistrelle_item_name(session, 2, text, sizeof text, &length), VISTRELLE_SHORT_BUFFER);
    EXPECT_STREQ(text, "Car");
    char whole[5];
    EXPECT_EQ(vistrelle_item_name(session, 2, whole, sizeof whole, &length), VISTRELLE_OK);
    EXPECT_STREQ(whole, "Card");
    EXPECT_EQ(vistrelle_item_name(session, 3, whole, sizeof whole, &length),
              VISTRELLE_BAD_ARGUMENT);
}

TEST_F(SessionApi, ClosedSessionAnswersClosedUntilReleased) {
    ASSERT_EQ(vistrelle_close(session), VISTRELLE_OK);
    EXPECT_EQ(vistrelle_close(session), VISTRELLE_OK);
    size_t count = 0;
    EXPECT_EQ(vistrelle_object_count(session, &count), VISTRELLE_CLOSED);
    EXPECT_STREQ(vistrelle_last_error(), "vistrelle: the session is closed");
    // the module is let go: another session opens
    VistrelleSession *other = nullptr;
    ASSERT_EQ(vistrelle_open(VISTREL_MODULE_FILE, 30.0, &other), VISTRELLE_OK);
    vistrelle_release(other);
}

TEST_F(SessionApi, SecondSessionIsRefusedWhileOneIsOpen) {
    VistrelleSession *other = reinterpret_cast<VistrelleSession *>(1);
    EXPECT_EQ(vistrelle_open(VISTREL_MODULE_FILE, 24.0, &other), VISTRELLE_REFUSED);
    EXPECT_EQ(other, nullptr);
    EXPECT_TRUE(oneLine(vistrelle_last_error()));
}

TEST_F(SessionApi, TurnEqualsTheHostsOwnFrameRoundedToFloat) {
    const std::vector<float> mine = turned(7);
    vistrelle_release(std::exchange(session, nullptr));
    hostsim::Scene scene;
    scene.frames.framesPerSecond = 24.0;
    scene.items.push_back({"T", hostsim::Motion::fixed({0.0, 1.0, 5.0}), std::nullopt});
    hostsim::Mesh mesh;
    for (std::size_t i = 0; i < 4; ++i)
        mesh.points.push_back({card[3 * i], card[3 * i + 1], card[3 * i + 2]});
    scene.items.push_back({"Card", hostsim::Motion::fixed({}), mesh});
    hostsim::Host host(VISTREL_MODULE_FILE, scene);
    void *instance = host.create(1);
    host.load(instance, {4, 1, 0, 1, 1});
    const auto &positions = host.evaluateFrame(instance, 7);
    for (std::size_t i = 0; i < 4; ++i)
        for (std::size_t axis = 0; axis < 3; ++axis)
            EXPECT_EQ(mine[3 * i + axis], static_cast<float>(positions[i][axis]));
    host.destroy(instance);
}

TEST(SessionApiContract, TermsAreTheContractsAndTheHostsDefaults) {
    EXPECT_EQ(vistrelle_interface_version(), VISTRELLE_INTERFACE_VERSION);
    EXPECT_STREQ(vistrelle_version_text("file version"), VERSION_FILE_VERSION);
    EXPECT_EQ(vistrelle_version_text("colour"), nullptr);
    const std::vector<std::int32_t> defaults = hostsim::VistrelleSettings{}.stored();
    for (int32_t k = 0; k < SETTING_COUNT; ++k)
        EXPECT_EQ(vistrelle_setting_default(k), defaults[static_cast<std::size_t>(k)]);
    EXPECT_EQ(vistrelle_setting_control(SETTING_PIVOT_TYPE), CTL_PIVOT_TYPE);
    EXPECT_STREQ(vistrelle_pivot_name(PIVOT_LAST_POINT), "last point");
    EXPECT_EQ(vistrelle_pivot_name(PIVOT_RULE_COUNT), nullptr);
    EXPECT_EQ(vistrelle_setting_default(-1), INT64_MIN);
    EXPECT_EQ(VISTRELLE_SETTING_COUNT, SETTING_COUNT);
    EXPECT_EQ(VISTRELLE_PIVOT_RULE_COUNT, PIVOT_RULE_COUNT);
}

TEST(SessionApiScenes, FilesThatAreNoScenesAreRefusedInOneLine) {
    testkit::ScratchFolder scratch;
    const std::string broken = scratch.write("broken.json", "{\"items\": [").string();
    const std::string fifo = (scratch / "pipe.json").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // A file of 64 GiB that takes no room on the disk.
    const std::string sparse = (scratch / "sparse.json").string();
    std::filesystem::resize_file(scratch.write("sparse.json", ""), std::uintmax_t{64} << 30);
    for (const std::string &path : {std::string("/nonexistent/bush.json"), scratch.path().string(),
                                    broken, std::string("/dev/zero"), fifo, sparse}) {
        VistrelleSession *session = nullptr;
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(vistrelle_open_scene(VISTREL_MODULE_FILE, path.c_str(), &session),
                  VISTRELLE_REFUSED)
            << path;
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5)) << path;
        EXPECT_EQ(session, nullptr);
        EXPECT_TRUE(oneLine(vistrelle_last_error())) << vistrelle_last_error();
        EXPECT_NE(std::string(vistrelle_last_error()).find(path), std::string::npos)
            << vistrelle_last_error();
    }
}

}  // namespace
