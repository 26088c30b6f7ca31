// Checking turned positions before they are written.
#include "cli/finite_positions.h"

#include "hostsim/host_error.h"

#include <cmath>
#include <sstream>

namespace cli {

void refuseNonFinite(const std::filesystem::path &module, std::int32_t frame,
                     const std::string &object, std::span<const hostsim::Position> positions) {
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const hostsim::Position &p = positions[i];
        if (std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2])) continue;
        std::ostringstream text;
        text << "evaluate gave point " << i << " of \"" << object.substr(0, 200)
             << "\" a non-finite position (" << p[0] << ", " << p[1] << ", " << p[2]
             << ") at frame " << frame << "; the frame is not written";
        throw hostsim::HostError::at(module, text.str());
    }
}

}  // namespace cli
