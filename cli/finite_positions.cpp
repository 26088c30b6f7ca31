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
        // Files hold float32: a finite double beyond its range would be written as an infinity.
        if (std::isfinite(static_cast<float>(p[0])) && std::isfinite(static_cast<float>(p[1])) &&
            std::isfinite(static_cast<float>(p[2])))
            continue;
        const bool finite = std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
        std::ostringstream text;
        text << "evaluate gave point " << i << " of \"" << object.substr(0, 200) << "\" a "
             << (finite ? "position beyond the range of a float (" : "non-finite position (")
             << p[0] << ", " << p[1] << ", " << p[2] << ") at frame " << frame
             << "; the frame is not written";
        throw hostsim::HostError::at(module, text.str());
    }
}

}  // namespace cli
