#include "validate/test_scenes.h"

#include <cfloat>
#include <limits>

namespace validate {
namespace {

constexpr float nan = std::numeric_limits<float>::quiet_NaN();
constexpr float inf = std::numeric_limits<float>::infinity();

}  // namespace

std::vector<FloatPoint> randomLeaves(std::size_t count, Random &random) {
    std::uniform_real_distribution<float> place(-20.0f, 20.0f);
    std::uniform_real_distribution<float> spread(-1.0f, 1.0f);
    std::vector<FloatPoint> points;
    points.reserve(count);
    FloatPoint centre{};
    for (std::size_t i = 0; i < count; ++i) {
        if (i % 4 == 0) centre = {place(random), place(random), place(random)};
        points.push_back(
            {centre[0] + spread(random), centre[1] + spread(random), centre[2] + spread(random)});
    }
    return points;
}

std::vector<HostileLeaf> hostileLeaves() {
    return {
        {"ordinary square", {{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}}},
        {"NaN first point", {{{nan, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}}},
        {"NaN second point", {{{0, 0, 0}, {1, nan, 0}, {1, 1, 0}, {0, 1, 0}}}},
        {"NaN last point", {{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, nan}}}},
        {"infinite point", {{{0, 0, 0}, {1, 0, 0}, {inf, 1, 0}, {0, 1, 0}}}},
        {"minus infinite point", {{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, -inf, 0}}}},
        {"coincident points", {{{2, 3, 4}, {2, 3, 4}, {2, 3, 4}, {2, 3, 4}}}},
        {"two coincident points", {{{1, 1, 1}, {1, 1, 1}, {2, 1, 1}, {1, 2, 1}}}},
        {"collinear points", {{{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {3, 3, 3}}}},
        {"collinear through the pivot", {{{-1, 0, 5}, {0, 0, 5}, {1, 0, 5}, {2, 0, 5}}}},
        {"huge leaf",
         {{{1e30f, 1e30f, 1e30f},
           {2e30f, 1e30f, 1e30f},
           {2e30f, 2e30f, 1e30f},
           {1e30f, 2e30f, 1e30f}}}},
        {"small leaf far away",
         {{{1e30f, -1e30f, 1e30f},
           {1e30f + 1, -1e30f, 1e30f},
           {1e30f, -1e30f + 1, 1e30f},
           {1e30f, -1e30f, 1e30f + 1}}}},
        {"largest floats",
         {{{FLT_MAX, 0, 0}, {0, FLT_MAX, 0}, {0, 0, FLT_MAX}, {-FLT_MAX, -FLT_MAX, -FLT_MAX}}}},
        {"tiny leaf",
         {{{1e-30f, 0, 0}, {2e-30f, 0, 0}, {2e-30f, 1e-30f, 0}, {1e-30f, 1e-30f, 1e-30f}}}},
        {"subnormal leaf",
         {{{1e-40f, 0, 0}, {0, 1e-40f, 0}, {0, 0, 1e-40f}, {-0.0f, -0.0f, -0.0f}}}},
        {"leaf at the origin", {{{0, 0, 0}, {-0.0f, 0, 0}, {0, -0.0f, 0}, {0, 0, 1}}}},
    };
}

std::vector<hostsim::Point3> hostileTargets() {
    constexpr double dnan = std::numeric_limits<double>::quiet_NaN();
    constexpr double dinf = std::numeric_limits<double>::infinity();
    return {
        {10, 0, 0},       {0, 0, -10},         {0, 0, 10},    {0, -10, 0},
        {0, 0, 0},        {1, 1, 0},           {dnan, 0, 0},  {0, dinf, 0},
        {-dinf, dinf, 0}, {1e30, -1e30, 1e30}, {1e-30, 0, 0}, {DBL_MAX, DBL_MAX, 0},
    };
}

hostsim::Item meshItem(std::string name, std::vector<FloatPoint> points) {
    hostsim::Item item;
    item.name = std::move(name);
    item.motion = hostsim::Motion::fixed({});
    item.mesh.emplace();
    item.mesh->points = std::move(points);
    return item;
}

hostsim::Item targetItem(std::string name, hostsim::Motion motion) {
    hostsim::Item item;
    item.name = std::move(name);
    item.motion = std::move(motion);
    return item;
}

hostsim::Item bareItem(std::string name) {
    return targetItem(std::move(name), hostsim::Motion::fixed({}));
}

hostsim::Motion wanderingMotion() {
    hostsim::Motion motion;
    motion.keys = {{0.0, {0, 10, 0}}, {1.0, {10, -5, 20}}, {2.0, {-20, 0, 5}}};
    return motion;
}

}  // namespace validate
