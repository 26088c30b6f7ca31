// The settings' ranges, the UTF-8 check and the paths of files to load.
#include "capi/argument_checks.h"

#include "formats/text/text_file.h"
#include "hostsim/host_error.h"
#include "hostsim/native_library.h"

namespace capi {
namespace {

std::string takes(std::size_t setting, const std::string &range, std::int32_t value) {
    return std::string("vistrelle: setting \"") + settingNames[setting] + "\" takes " + range +
           ", not " + std::to_string(value);
}

}  // namespace

std::string settingFault(std::span<const std::int32_t> values, std::size_t itemCount) {
    static_assert(SWITCH_OFF == 0 && SWITCH_ON == 1 && TARGET_NONE == 0);
    if (values.size() != SETTING_COUNT) return {};
    const std::int32_t target = values[SETTING_TARGET_INDEX];
    if (target < TARGET_NONE || static_cast<std::uint64_t>(target) > itemCount)
        return takes(SETTING_TARGET_INDEX,
                     "0 (no target) to " + std::to_string(itemCount) + " (the items)", target);
    const std::int32_t pivot = values[SETTING_PIVOT_TYPE];
    if (pivot < 0 || pivot >= PIVOT_RULE_COUNT)
        return takes(SETTING_PIVOT_TYPE, "0 to " + std::to_string(PIVOT_RULE_COUNT - 1), pivot);
    for (const std::size_t setting : {SETTING_HEADING_ALIGN, SETTING_PITCH_ALIGN})
        if (values[setting] != SWITCH_OFF && values[setting] != SWITCH_ON)
            return takes(setting, "0 (off) or 1 (on)", values[setting]);
    return {};
}

bool isUtf8(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size()) {
        const auto lead = static_cast<unsigned char>(text[at]);
        std::size_t more = 0;
        std::uint32_t code = 0, least = 0;
        if (lead < 0x80) {
            ++at;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF) {
            more = 1, code = lead & 0x1F, least = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            more = 2, code = lead & 0x0F, least = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            more = 3, code = lead & 0x07, least = 0x10000;
        } else {
            return false;
        }
        if (text.size() - at <= more) return false;
        for (std::size_t k = 1; k <= more; ++k) {
            const auto next = static_cast<unsigned char>(text[at + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        at += more + 1;
    }
    return true;
}

std::filesystem::path namedPath(const char *utf8, const char *what) {
    if (!isUtf8(utf8))
        throw hostsim::HostError(std::string("vistrelle: ") + what + " is not UTF-8");
    return formats::utf8Path(utf8);
}

std::filesystem::path modulePath(const char *utf8) {
    std::filesystem::path path = namedPath(utf8, "the module path");
    if (hostsim::NativeLibrary::loaded(path))
        throw hostsim::HostError::at(path,
                                     "is loaded in this process already, by another session "
                                     "of this library or of another copy of it; one session "
                                     "at a time may hold a module");
    return path;
}

}  // namespace capi
