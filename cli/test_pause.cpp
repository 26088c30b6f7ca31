// Stopping at a moment a test names (see the header).
#include "cli/test_pause.h"

#include <cstdlib>
#include <string>

#if !defined(_WIN32)
#include <csignal>
#endif

namespace cli {
namespace {

// The moments asked for, between commas and with a comma at each end, or empty.
const std::string &askedMoments() {
    static const std::string asked = [] {
        const char *text = std::getenv("VISTRELLE_TEST_PAUSE");
        return text == nullptr || *text == '\0' ? std::string() : "," + std::string(text) + ",";
    }();
    return asked;
}

}  // namespace

void pauseForTest(std::string_view moment) {
    const std::string &asked = askedMoments();
    if (asked.empty() || asked.find("," + std::string(moment) + ",") == std::string::npos) return;
#if !defined(_WIN32)
    std::raise(SIGSTOP);
#endif
}

void pauseForTest(std::string_view moment, std::int32_t frame) {
    if (askedMoments().empty()) return;
    pauseForTest(std::string(moment) + ":" + std::to_string(frame));
}

}  // namespace cli
