// The C interface checks every count, index, setting and path before it reads the caller's arrays
// or changes anything, and answers the header's status with one line.
#include "capi/vistrelle_session.h"
#include "host/vistrelle_contract.h"
#include "tests/capi/card_session.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace {

class Arguments : public CardSession {
  protected:
    std::vector<int32_t> settings() {
        std::vector<int32_t> values(SETTING_COUNT, -7);
        EXPECT_EQ(vistrelle_get_settings(session, object, values.data()), VISTRELLE_OK);
        return values;
    }
    size_t count(int32_t (*entry)(VistrelleSession *, size_t *)) {
        size_t n = 0;
        EXPECT_EQ(entry(session, &n), VISTRELLE_OK);
        return n;
    }

    static constexpr int32_t good[SETTING_COUNT] = {4, 1, 0, 1, 1};  // what SetUp gave the card
};

std::string lastLine() { return vistrelle_last_error(); }

TEST_F(Arguments, KeyCountsBeyondMemoryAreRefusedBeforeAnyKeyIsRead) {
    const double key[4] = {0.0, 0.0, 1.0, 5.0};
    for (const size_t keys : {SIZE_MAX, SIZE_MAX / 32 + 1, SIZE_MAX / 2}) {
        size_t number = 99;
        EXPECT_EQ(vistrelle_add_target(session, "Huge", key, keys, &number), VISTRELLE_BAD_ARGUMENT)
            << keys;
        EXPECT_EQ(lastLine(), "vistrelle: " + std::to_string(keys) + " keys are too many");
        EXPECT_EQ(vistrelle_move_target(session, target, key, keys), VISTRELLE_BAD_ARGUMENT);
    }
    EXPECT_EQ(count(vistrelle_item_count), 2u);
}

TEST_F(Arguments, TurnComparesTheObjectCountBeforeReadingTheArrays) {
    std::vector<float> out(card.size(), -1.0f);
    float *outputs[1] = {out.data()};
    const size_t counts[1] = {4};
    // Arrays of one entry each: any read past it is a fault the sanitizers see.
    for (const size_t objects : {SIZE_MAX, size_t{2}, size_t{1} << 40}) {
        EXPECT_EQ(vistrelle_turn(session, 0, nullptr, outputs, counts, objects),
                  VISTRELLE_BAD_ARGUMENT)
            << objects;
        EXPECT_EQ(lastLine(), "vistrelle: " + std::to_string(objects) + " outputs for 1 objects");
    }
    EXPECT_EQ(vistrelle_turn(session, 0, nullptr, nullptr, nullptr, 0), VISTRELLE_BAD_ARGUMENT);
    const size_t huge[1] = {SIZE_MAX};
    EXPECT_EQ(vistrelle_turn(session, 0, nullptr, outputs, huge, 1), VISTRELLE_BAD_ARGUMENT);
    EXPECT_EQ(out, std::vector<float>(card.size(), -1.0f));
}

struct BadSettings {
    std::vector<int32_t> values;
    std::string line;
};

TEST_F(Arguments, SettingsThePanelDoesNotTakeAreRefusedNamingTheSetting) {
    const std::vector<BadSettings> cases = {
        {{-5, 999, 77, 3, -1}, "setting \"target\" takes 0 (no target) to 2 (the items), not 999"},
        {{4, 3, 0, 1, 1}, "setting \"target\" takes 0 (no target) to 2 (the items), not 3"},
        {{4, -1, 0, 1, 1}, "setting \"target\" takes 0 (no target) to 2 (the items), not -1"},
        {{4, 1, 77, 1, 1}, "setting \"pivot rule\" takes 0 to 3, not 77"},
        {{4, 1, PIVOT_RULE_COUNT, 1, 1}, "setting \"pivot rule\" takes 0 to 3, not 4"},
        {{4, 1, -1, 1, 1}, "setting \"pivot rule\" takes 0 to 3, not -1"},
        {{4, 1, 0, 3, 1}, "setting \"heading alignment\" takes 0 (off) or 1 (on), not 3"},
        {{4, 1, 0, 1, -1}, "setting \"pitch alignment\" takes 0 (off) or 1 (on), not -1"},
        {{4, 1, 0, 1, INT32_MIN},
         "setting \"pitch alignment\" takes 0 (off) or 1 (on), not -2147483648"},
    };
    const std::vector<int32_t> before = settings();
    for (const BadSettings &bad : cases) {
        EXPECT_EQ(vistrelle_set_settings(session, object, bad.values.data()),
                  VISTRELLE_BAD_ARGUMENT);
        EXPECT_EQ(lastLine(), "vistrelle: " + bad.line);
    }
    EXPECT_EQ(settings(), before);
    size_t added = 0;
    const int32_t refused[SETTING_COUNT] = {-5, 999, 77, 3, -1};
    EXPECT_EQ(vistrelle_add_object(session, "Bad", card.data(), 4, refused, &added),
              VISTRELLE_BAD_ARGUMENT);
    EXPECT_EQ(lastLine(),
              "vistrelle: setting \"target\" takes 0 (no target) to 3 (the items), not 999");
    EXPECT_EQ(count(vistrelle_item_count), 2u);
    // A new object's own item is in its target popup.
    const int32_t itself[SETTING_COUNT] = {4, 3, 0, 1, 1};
    EXPECT_EQ(vistrelle_add_object(session, "Self", card.data(), 4, itself, &added), VISTRELLE_OK)
        << vistrelle_last_error();
}

TEST_F(Arguments, LeafPointsTakeEveryWholeNumberAsThePanelsIntegerField) {
    for (const int32_t leafPoints : {INT32_MIN, -5, 0, 1, 3, INT32_MAX}) {
        const int32_t values[SETTING_COUNT] = {leafPoints, 0, PIVOT_LAST_POINT, 0, 1};
        EXPECT_EQ(vistrelle_set_settings(session, object, values), VISTRELLE_OK)
            << vistrelle_last_error();
        EXPECT_EQ(settings(), std::vector<int32_t>(values, values + SETTING_COUNT));
    }
}

TEST(ArgumentPaths, PathsThatAreNotUtf8AreRefusedInALine) {
    const std::string module = VISTREL_MODULE_FILE;
    for (const std::string bad :
         {"\xff.p", "\xc0\xaf.p", "\xed\xa0\x80.p", "\xf4\x90\x80\x80.p", "\xe6\x97", "a\x80z.p"}) {
        VistrelleSession *session = reinterpret_cast<VistrelleSession *>(1);
        EXPECT_EQ(vistrelle_open(bad.c_str(), 24.0, &session), VISTRELLE_REFUSED);
        EXPECT_EQ(session, nullptr);
        EXPECT_EQ(lastLine(), "vistrelle: the module path is not UTF-8");
        EXPECT_EQ(vistrelle_open_scene(module.c_str(), bad.c_str(), &session), VISTRELLE_REFUSED);
        EXPECT_EQ(lastLine(), "vistrelle: the scene path is not UTF-8");
        EXPECT_EQ(vistrelle_open_scene(bad.c_str(), VISTREL_EXAMPLES "/bush.json", &session),
                  VISTRELLE_REFUSED);
    }
    // Well-formed letters of any script pass on to the file's own refusal.
    VistrelleSession *session = nullptr;
    EXPECT_EQ(vistrelle_open("/nonexistent/日本 ü 𝄞.p", 24.0, &session), VISTRELLE_REFUSED);
    EXPECT_EQ(lastLine().find("/nonexistent/日本 ü 𝄞.p: "), 0u) << lastLine();
}

TEST(ArgumentTerms, SettingsOutOfRangeHaveNoControlNameOrDefault) {
    for (const int32_t setting : {-1, int32_t{SETTING_COUNT}, 99, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(vistrelle_setting_control(setting), VISTRELLE_NO_CONTROL) << setting;
        EXPECT_EQ(vistrelle_setting_name(setting), nullptr);
        EXPECT_EQ(vistrelle_setting_default(setting), INT64_MIN);
    }
    EXPECT_EQ(vistrelle_setting_control(SETTING_LEAF_POINTS), CTL_LEAF_POINTS);
    EXPECT_STREQ(vistrelle_setting_name(SETTING_PITCH_ALIGN), "pitch alignment");
}

TEST(SessionsAtOnce, TwoThreadsOpeningTogetherGetOneSessionAndOneRefusal) {
    for (int round = 0; round < 20; ++round) {
        VistrelleSession *sessions[2] = {nullptr, nullptr};
        int32_t answers[2] = {-1, -1};
        std::string lines[2];
        auto open = [&](int k) {
            answers[k] = vistrelle_open(VISTREL_MODULE_FILE, 24.0, &sessions[k]);
            lines[k] = vistrelle_last_error();
        };
        std::thread other(open, 1);
        open(0);
        other.join();
        const int opened = (answers[0] == VISTRELLE_OK) + (answers[1] == VISTRELLE_OK);
        EXPECT_EQ(opened, 1) << lines[0] << " / " << lines[1];
        for (int k = 0; k < 2; ++k) {
            if (answers[k] != VISTRELLE_OK) {
                EXPECT_EQ(answers[k], VISTRELLE_REFUSED);
                EXPECT_EQ(sessions[k], nullptr);
                EXPECT_NE(lines[k].find("loaded in this process already"), std::string::npos)
                    << lines[k];
            }
            vistrelle_release(sessions[k]);
        }
    }
}

}  // namespace
