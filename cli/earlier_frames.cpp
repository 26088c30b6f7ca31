// Finding frame files of an earlier run by their names.
#include "cli/earlier_frames.h"

#include "cli/output_names.h"
#include "hostsim/host_error.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <system_error>

namespace cli {

namespace fs = std::filesystem;

namespace {

// The frame a file of the run's kind names ("<stem>.<label>.obj", ".svg" or ".js"), if it is one.
std::optional<std::int32_t> frameOfFile(std::string_view name,
                                        const std::vector<std::string> &stems, int digits) {
    for (const std::string &stem : stems) {
        if (name.size() <= stem.size() + 1 || !name.starts_with(stem) || name[stem.size()] != '.')
            continue;
        const std::string_view rest = name.substr(stem.size() + 1);
        const std::size_t dot = rest.find('.');
        if (dot == std::string_view::npos) continue;
        const std::string_view kind = rest.substr(dot);
        if (kind != ".obj" && kind != ".svg" && kind != ".js") continue;
        if (const auto frame = labelFrame(rest.substr(0, dot), digits)) return frame;
    }
    return std::nullopt;
}

}  // namespace

void refuseEarlierFrames(const fs::path &folder, const std::vector<std::string> &stems, int digits,
                         const std::function<bool(std::int32_t)> &played) {
    std::optional<std::int32_t> low, high;
    std::size_t count = 0;
    for (const fs::path &at : {folder, folder / "viewer"}) {
        std::error_code error;
        for (fs::directory_iterator it(at, error), end; !error && it != end; it.increment(error)) {
            const auto frame = frameOfFile(it->path().filename().string(), stems, digits);
            if (!frame || played(*frame)) continue;
            low = std::min(low.value_or(*frame), *frame);
            high = std::max(high.value_or(*frame), *frame);
            ++count;
        }
    }
    if (count == 0) return;
    const std::string frames =
        *low == *high ? "frame " + std::to_string(*low)
                      : "frames " + std::to_string(*low) + " to " + std::to_string(*high);
    throw hostsim::HostError::at(
        folder, "holds " + std::to_string(count) + " files of " + frames +
                    " of an earlier run that this run does not play, and its pages would not "
                    "list them; run into another folder (vistrelle assemble puts runs together) "
                    "or remove them first");
}

}  // namespace cli
