// A session of the built module over one four-point card ("Card") turning toward one still
// target ("T"), released at the end of each test.
#pragma once

#include "capi/vistrelle_session.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

inline const std::vector<float> card = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};

class CardSession : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(vistrelle_open(VISTREL_MODULE_FILE, 24.0, &session), VISTRELLE_OK)
            << vistrelle_last_error();
        const double key[4] = {0.0, 0.0, 1.0, 5.0};
        ASSERT_EQ(vistrelle_add_target(session, "T", key, 1, &target), VISTRELLE_OK);
        const int32_t settings[5] = {4, static_cast<int32_t>(target), 0, 1, 1};
        ASSERT_EQ(vistrelle_add_object(session, "Card", card.data(), 4, settings, &object),
                  VISTRELLE_OK);
    }
    void TearDown() override { vistrelle_release(session); }

    VistrelleSession *session = nullptr;
    size_t target = 0, object = 0;
};
