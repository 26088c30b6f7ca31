// Position of an item at a time: fixed, or linear between keys.
#include "hostsim/scene.h"

#include <algorithm>

namespace hostsim {

Point3 Motion::at(double time) const {
    if (keys.empty()) return {};
    if (keys.size() == 1 || !(time > keys.front().time)) return keys.front().position;
    if (!(time < keys.back().time)) return keys.back().position;
    const auto after = std::upper_bound(keys.begin(), keys.end(), time,
                                        [](double t, const PositionKey &k) { return t < k.time; });
    const PositionKey &b = *after;
    const PositionKey &a = *(after - 1);
    const double span = b.time - a.time;
    const double u = span > 0.0 ? (time - a.time) / span : 1.0;
    return {a.position.x + (b.position.x - a.position.x) * u,
            a.position.y + (b.position.y - a.position.y) * u,
            a.position.z + (b.position.z - a.position.z) * u};
}

}  // namespace hostsim
