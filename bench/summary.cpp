#include "bench/summary.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

namespace bench {

namespace {

std::string fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string padded(const std::string &text, std::size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string nanoseconds(const std::optional<double> &ns) { return ns ? fixed(*ns, 1) + " ns" : std::string("not run"); }

class TargetList {
public:
    explicit TargetList(std::ostream &out) : out_(out) { out_ << "\nTargets\n"; }

    void check(const std::string &what, std::optional<bool> met, const std::string &figure) {
        const char *verdict = !met ? "not run" : *met ? "met" : "MISSED";
        out_ << "  " << verdict << std::string(9 - std::string(verdict).size(), ' ') << what;
        if (!figure.empty()) out_ << " (" << figure << ")";
        out_ << '\n';
        if (met && !*met) allMet_ = false;
    }
    bool allMet() const { return allMet_; }

private:
    std::ostream &out_;
    bool allMet_ = true;
};

}  // namespace

bool printSummary(std::ostream &out, const PerPointReporter &times, const Findings &findings,
                  std::span<const std::int64_t> pointCounts, std::int64_t framePoints, const Targets &targets) {
    out << "\nPer point: CPU time of a frame divided by its points, fastest repetition\n"
        << padded("points", 9) << padded("floor", 12) << padded("+angles", 12) << padded("evaluate", 12)
        << padded("eval/floor", 12) << padded("eval/+angles", 14) << padded("scan", 11) << padded("host walk", 11)
        << padded("scan share", 12) << '\n';
    for (const std::int64_t n : pointCounts) {
        const auto floor = times.nanosecondsPerPoint("floor", n);
        const auto withAngles = times.nanosecondsPerPoint("floor+angles", n);
        const auto evaluate = times.nanosecondsPerPoint("evaluate", n);
        const auto scan = times.nanosecondsPerPoint("scan", n);
        const auto walk = times.nanosecondsPerPoint("walk", n);
        out << padded(std::to_string(n), 9) << padded(nanoseconds(floor), 12) << padded(nanoseconds(withAngles), 12)
            << padded(nanoseconds(evaluate), 12) << padded(floor && evaluate ? fixed(*evaluate / *floor, 3) : "-", 12)
            << padded(withAngles && evaluate ? fixed(*evaluate / *withAngles, 3) : "-", 14) << padded(nanoseconds(scan), 11)
            << padded(nanoseconds(walk), 11) << padded(scan && evaluate ? fixed(100.0 * *scan / *evaluate, 1) + " %" : "-", 12) << '\n';
    }
    out << "(+angles: the floor with each leaf's angles worked out at its first point, as every frame must;\n"
           " host walk: the stand-in host's part of the scan, its mesh walk fetching every point's position.)\n";

    out << "\nWhat evaluate adds to the floor, per point\n"
        << padded("points", 9) << padded("angles", 12) << padded("scan", 11) << padded("query", 11)
        << padded("the rest", 12) << padded("required/floor", 16) << '\n';
    for (const std::int64_t n : pointCounts) {
        const auto floor = times.nanosecondsPerPoint("floor", n);
        const auto withAngles = times.nanosecondsPerPoint("floor+angles", n);
        const auto evaluate = times.nanosecondsPerPoint("evaluate", n);
        const auto scan = times.nanosecondsPerPoint("scan", n);
        const auto query = times.nanosecondsPerPoint("query", n);
        if (!floor || !withAngles || !evaluate || !scan || !query) continue;
        out << padded(std::to_string(n), 9) << padded(nanoseconds(*withAngles - *floor), 12) << padded(nanoseconds(scan), 11)
            << padded(nanoseconds(query), 11) << padded(nanoseconds(*evaluate - *withAngles - *scan - *query), 12)
            << padded(fixed((*withAngles + *scan + *query) / *floor, 3), 16) << '\n';
    }
    out << "(angles: each leaf's angles at its first point; query: the stand-in host answering one target\n"
           " position per point; the rest: the module's own calls and bookkeeping; required/floor: floor,\n"
           " angles, scan and query over the floor, the least evaluate/floor can be while every frame\n"
           " measures its leaves, works out their angles and asks for the target at every point.)\n";

    const auto frame = times.nanosecondsPerPoint("frame", framePoints);
    const auto frameObj = times.nanosecondsPerPoint("frame+obj", framePoints);
    const auto host = times.nanosecondsPerPoint("host", framePoints);
    const bool hostMeasured = frame && host;
    const double hostShare = hostMeasured ? *host / *frame : 0.0;
    out << "\nA frame of `vistrelle run` on the demo scaled to " << framePoints << " points, per point: "
        << nanoseconds(frame) << " without writing the OBJ file, " << nanoseconds(frameObj) << " with it";
    if (frame) out << " (" << fixed(*frame * static_cast<double>(framePoints) * 1e-6, 0) << " ms per frame without)";
    out << ".\nThe stand-in host's own work in it: " << nanoseconds(host)
        << (hostMeasured ? ", " + fixed(100.0 * hostShare, 1) + " % of the frame without the OBJ file" : std::string()) << ".\n";

    for (const auto &[n, agreement] : findings.floorAgreement) {
        out << "Floor against module at " << n << " points: ";
        if (agreement.differing == 0) out << "the same bits at all " << agreement.compared << " points.\n";
        else out << agreement.differing << " of " << agreement.compared << " points differ: the floor is not the module's arithmetic.\n";
    }

    TargetList list(out);
    std::optional<bool> ratioMet;
    std::string worstRatio;
    double worst = 0.0;
    for (const std::int64_t n : pointCounts) {
        const auto floor = times.nanosecondsPerPoint("floor", n);
        const auto evaluate = times.nanosecondsPerPoint("evaluate", n);
        if (!floor || !evaluate) continue;
        const double ratio = *evaluate / *floor;
        ratioMet = ratioMet.value_or(true) && ratio <= targets.evaluateOverFloor;
        if (ratio > worst) worst = ratio, worstRatio = "highest " + fixed(ratio, 3) + " at " + std::to_string(n) + " points";
    }
    list.check("evaluate <= " + fixed(targets.evaluateOverFloor, 1) + " x floor per point at every size", ratioMet, worstRatio);

    std::optional<bool> flatMet;
    std::string spread;
    const auto smallest = pointCounts.empty() ? std::nullopt : times.nanosecondsPerPoint("evaluate", pointCounts.front());
    if (smallest) {
        double low = 0.0, high = 0.0;
        for (const std::int64_t n : pointCounts) {
            const auto evaluate = times.nanosecondsPerPoint("evaluate", n);
            if (!evaluate) continue;
            const double change = *evaluate / *smallest - 1.0;
            low = std::min(low, change), high = std::max(high, change);
            flatMet = flatMet.value_or(true) && std::abs(change) <= targets.evaluateFlatness;
        }
        spread = fixed(100.0 * low, 1) + " % to +" + fixed(100.0 * high, 1) + " % of the " +
                 std::to_string(pointCounts.front()) + "-point figure";
    }
    list.check("evaluate per point flat within +-" + fixed(100.0 * targets.evaluateFlatness, 0) + " % from " +
                   std::to_string(pointCounts.front()) + " to " + std::to_string(pointCounts.back()) + " points",
               flatMet, spread);

    const auto scan = times.nanosecondsPerPoint("scan", pointCounts.back());
    list.check("scan <= " + fixed(targets.scanNanoseconds, 0) + " ns per point at " + std::to_string(pointCounts.back()) + " points",
               scan ? std::optional(*scan <= targets.scanNanoseconds) : std::nullopt, scan ? nanoseconds(scan) : "");

    list.check("stand-in host's own work <= " + fixed(100.0 * targets.hostShareOfFrame, 0) + " % of a frame",
               hostMeasured ? std::optional(hostShare <= targets.hostShareOfFrame) : std::nullopt,
               hostMeasured ? fixed(100.0 * hostShare, 1) + " %" : "");

    std::optional<bool> allocationsMet;
    std::size_t most = 0;
    for (const auto &[n, count] : findings.moduleAllocationsPerFrame) {
        most = std::max(most, count);
        allocationsMet = allocationsMet.value_or(true) && count <= targets.moduleAllocations;
    }
    list.check(std::to_string(targets.moduleAllocations) + " heap allocations inside the module per frame", allocationsMet,
               allocationsMet ? "at most " + std::to_string(most) + " in a timed frame" : "");

    bool agree = true;
    for (const auto &[n, agreement] : findings.floorAgreement) agree = agree && agreement.differing == 0;
    list.check("the floor computes what the module computes, bit for bit",
               findings.floorAgreement.empty() ? std::nullopt : std::optional(agree), "");
    out << "  Instance memory (the record + 144 B per leaf) is checked by memory_tests, part of scripts/test.\n";
    return list.allMet();
}

}  // namespace bench
