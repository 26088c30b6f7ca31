// platform_points: the turned points of one build of the module, and how two builds' points differ.
//   platform_points play MODULE PLAIN_SCENE OUT      every frame of the scene, every displaced
//   point,
//                                                     as little-endian doubles, in frame and point
//                                                     order
//   platform_points compare REFERENCE OTHER ULPS     counts of the coordinates that differ, by how
//                                                     many ulps of their point's largest
//                                                     coordinate; fails when one differs by more
//                                                     than ULPS
#include "plain_scene.h"

#include "hostsim/host.h"
#include "hostsim/host_error.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iostream>
#include <limits>
#include <string>
#include <vector>

namespace {

void play(const char *module, const char *scenePath, const char *outPath) {
    hostsim::Scene scene = platforms::sceneOfPlainBytes(platforms::readBytes(scenePath), scenePath);
    const hostsim::FrameRange frames = scene.frames;
    hostsim::Host host(module, std::move(scene));
    std::vector<std::byte> out;
    std::size_t points = 0;
    for (std::int32_t frame = frames.start; frame <= frames.end; ++frame)
        for (const hostsim::DisplacedObject &object : host.runFrame(frame)) {
            const auto *begin = reinterpret_cast<const std::byte *>(object.positions.data());
            out.insert(out.end(), begin, begin + object.positions.size_bytes());
            points += object.positions.size();
        }
    platforms::writeBytes(outPath, out);
    std::cout << "frames " << frames.start << "-" << frames.end << ", " << points
              << " points written to " << outPath << '\n';
}

std::vector<double> doublesOf(const char *path) {
    const std::vector<std::byte> bytes = platforms::readBytes(path);
    if (bytes.size() % (3 * sizeof(double)) != 0)
        throw hostsim::HostError::at(path, "not a list of points");
    std::vector<double> values(bytes.size() / sizeof(double));
    std::memcpy(values.data(), bytes.data(), bytes.size());
    return values;
}

// The difference of `a` and `b` in units of the last place of `scale`: 0 for the same bits or two
// NaNs, infinite when only one is NaN.
double ulpsApart(double a, double b, double scale) {
    if (std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b))) return 0.0;
    if (std::isnan(a) || std::isnan(b) || std::isinf(a) || std::isinf(b))
        return std::numeric_limits<double>::infinity();
    const double ulp = std::nextafter(scale, std::numeric_limits<double>::infinity()) - scale;
    return std::max(std::abs(a - b) / (ulp > 0 ? ulp : std::numeric_limits<double>::denorm_min()),
                    1.0);
}

int compare(const char *referencePath, const char *otherPath, double bound) {
    const std::vector<double> reference = doublesOf(referencePath);
    const std::vector<double> other = doublesOf(otherPath);
    if (reference.size() != other.size()) {
        std::cerr << otherPath << ": " << other.size() / 3 << " points, " << referencePath
                  << " has " << reference.size() / 3 << '\n';
        return 1;
    }
    // Coordinates by their distance: 0, 1, 2, 3-4, 5-16, more.
    const double limits[] = {0, 1, 2, 4, 16, std::numeric_limits<double>::infinity()};
    std::size_t counts[std::size(limits)] = {};
    std::size_t pointsDiffering = 0;
    double largest = 0;
    for (std::size_t p = 0; p < reference.size(); p += 3) {
        double scale = 0;
        for (std::size_t i = 0; i < 3; ++i)
            if (std::isfinite(reference[p + i]))
                scale = std::max(scale, std::abs(reference[p + i]));
        bool differs = false;
        for (std::size_t i = 0; i < 3; ++i) {
            const double ulps = ulpsApart(reference[p + i], other[p + i], scale);
            largest = std::max(largest, ulps);
            differs = differs || ulps > 0;
            ++counts[std::lower_bound(std::begin(limits), std::end(limits), ulps) -
                     std::begin(limits)];
        }
        pointsDiffering += differs;
    }
    std::cout << "| coordinates | same bits | 1 ulp | 2 ulps | 3-4 ulps | 5-16 ulps | more | "
                 "points differing | largest |\n"
              << "| " << reference.size();
    for (const std::size_t count : counts) std::cout << " | " << count;
    std::cout << " | " << pointsDiffering << " | " << largest << " ulps |\n";
    if (largest > bound) {
        std::cerr << otherPath << ": a coordinate lies " << largest << " ulps from "
                  << referencePath << ", more than " << bound << '\n';
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    try {
        const std::string mode = argc > 1 ? argv[1] : "";
        if (mode == "play" && argc == 5) {
            play(argv[2], argv[3], argv[4]);
            return 0;
        }
        if (mode == "compare" && argc == 5) return compare(argv[2], argv[3], std::stod(argv[4]));
    } catch (const std::exception &error) {
        std::cerr << error.what() << '\n';
        return 1;
    }
    std::cerr
        << "usage: platform_points play MODULE PLAIN_SCENE OUT | compare REFERENCE OTHER ULPS\n";
    return 2;
}
