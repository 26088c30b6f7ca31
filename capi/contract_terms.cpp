// The C entries that answer the contract's terms: versions, the settings' names, controls and
// defaults, the pivot rules' names. None of them needs a session.
#include "capi/vistrelle_session.h"

#include "capi/argument_checks.h"
#include "host/vistrelle_contract.h"
#include "hostsim/vistrelle_settings.h"

#include <string_view>

extern "C" {

int32_t vistrelle_interface_version(void) { return VISTRELLE_INTERFACE_VERSION; }

const char *vistrelle_version_text(const char *key) {
    if (key == nullptr) return nullptr;
    const std::string_view asked(key);
    if (asked == "file version") return VERSION_FILE_VERSION;
    if (asked == "product version") return VERSION_PRODUCT_VERSION;
    if (asked == "product name") return VERSION_PRODUCT_NAME;
    if (asked == "original file name") return VERSION_ORIGINAL_FILENAME;
    if (asked == "session library") return VISTRELLE_SESSION_VERSION;
    return nullptr;
}

const char *vistrelle_setting_name(int32_t setting) {
    return setting >= 0 && setting < SETTING_COUNT ? capi::settingNames[setting] : nullptr;
}

int64_t vistrelle_setting_control(int32_t setting) {
    static constexpr std::uint32_t controls[SETTING_COUNT] = {
        CTL_LEAF_POINTS, CTL_TARGET, CTL_PIVOT_TYPE, CTL_H_ALIGN, CTL_P_ALIGN};
    if (setting < 0 || setting >= SETTING_COUNT) return VISTRELLE_NO_CONTROL;
    return controls[setting];
}

int64_t vistrelle_setting_default(int32_t setting) {
    static constexpr std::int32_t defaults[SETTING_COUNT] = {
        DEFAULT_LEAF_POINTS, DEFAULT_TARGET_INDEX, DEFAULT_PIVOT_TYPE, DEFAULT_HEADING_ALIGN,
        DEFAULT_PITCH_ALIGN};
    return setting >= 0 && setting < SETTING_COUNT ? defaults[setting] : INT64_MIN;
}

const char *vistrelle_pivot_name(int32_t rule) {
    return rule >= 0 && rule < PIVOT_RULE_COUNT
               ? hostsim::pivotRuleNames[static_cast<std::size_t>(rule)]
               : nullptr;
}

}  // extern "C"
