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

std::string nanoseconds(const std::optional<double> &ns) {
    return ns ? fixed(*ns, 1) + " ns" : std::string("not run");
}

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
                  std::span<const std::int64_t> pointCounts, std::int64_t framePoints,
                  const Targets &targets) {
    out << "\nPer point: CPU time of a frame divided by its points, fastest repetition\n"
        << padded("points", 9) << padded("reference", 12) << padded("+angles", 12)
        << padded("evaluate", 12) << padded("eval/ref", 10) << padded("peer", 11)
        << padded("scan", 11) << padded("host walk", 11) << padded("query", 11) << '\n';
    for (const std::int64_t n : pointCounts) {
        const auto reference = times.nanosecondsPerPoint("reference", n);
        const auto withAngles = times.nanosecondsPerPoint("reference+angles", n);
        const auto evaluate = times.nanosecondsPerPoint("evaluate", n);
        out << padded(std::to_string(n), 9) << padded(nanoseconds(reference), 12)
            << padded(nanoseconds(withAngles), 12) << padded(nanoseconds(evaluate), 12)
            << padded(reference && evaluate ? fixed(*evaluate / *reference, 3) : "-", 10)
            << padded(nanoseconds(times.nanosecondsPerPoint("peer", n)), 11)
            << padded(nanoseconds(times.nanosecondsPerPoint("scan", n)), 11)
            << padded(nanoseconds(times.nanosecondsPerPoint("walk", n)), 11)
            << padded(nanoseconds(times.nanosecondsPerPoint("query", n)), 11) << '\n';
    }
    out << "(reference: the plain leaf operations, every sine and cosine evaluated afresh; "
           "+angles: with each\n"
           " leaf's angles worked out at its first point, as a frame must; evaluate: the module "
           "through the\n"
           " host, scan and target queries included; peer: one 3x3 matrix per leaf, not bit for "
           "bit; scan:\n"
           " the first evaluate of a pass; host walk: the host's part of it; query: the host "
           "answering one\n"
           " target position per point.)\n";

    const auto frame = times.nanosecondsPerPoint("frame", framePoints);
    const auto frameObj = times.nanosecondsPerPoint("frame+obj", framePoints);
    const auto obj = times.nanosecondsPerPoint("obj", framePoints);
    const auto host = times.nanosecondsPerPoint("host", framePoints);
    out << "\nA frame of `vistrelle run` on the demo scaled to " << framePoints
        << " points, per point: " << nanoseconds(frame) << " without writing the OBJ file, "
        << nanoseconds(frameObj) << " with it";
    if (frame)
        out << " (" << fixed(*frame * static_cast<double>(framePoints) * 1e-6, 1)
            << " ms per frame without)";
    out << ".\nWriting the OBJ file alone: " << nanoseconds(obj)
        << ". The stand-in host's own work in a frame: " << nanoseconds(host) << ".\n";

    for (const auto &[n, agreement] : findings.referenceAgreement) {
        out << "Reference against module at " << n << " points: ";
        if (agreement.differing == 0)
            out << "the same bits at all " << agreement.compared << " points";
        else
            out << agreement.differing << " of " << agreement.compared << " points differ";
        if (const auto peer = findings.peerDeviation.find(n); peer != findings.peerDeviation.end())
            out << "; the peer differs by up to " << peer->second;
        out << ".\n";
    }

    TargetList list(out);
    std::optional<bool> ratioMet;
    std::string ratios;
    for (const std::int64_t n : pointCounts) {
        const auto reference = times.nanosecondsPerPoint("reference", n);
        const auto evaluate = times.nanosecondsPerPoint("evaluate", n);
        if (n < targets.ratioFromPoints || !reference || !evaluate) continue;
        const double ratio = *evaluate / *reference;
        ratioMet = ratioMet.value_or(true) && ratio <= targets.evaluateOverReference;
        ratios += (ratios.empty() ? "" : ", ") + fixed(ratio, 3) + " at " + std::to_string(n);
    }
    list.check("evaluate <= " + fixed(targets.evaluateOverReference, 2) +
                   " x reference per point from " + std::to_string(targets.ratioFromPoints) +
                   " points",
               ratioMet, ratios);
    list.check("stand-in host's own work <= " + fixed(targets.hostNanoseconds, 0) + " ns per point",
               host ? std::optional(*host <= targets.hostNanoseconds) : std::nullopt,
               host ? nanoseconds(host) : "");
    list.check("writing the OBJ file <= " + fixed(targets.objNanoseconds, 0) + " ns per point",
               obj ? std::optional(*obj <= targets.objNanoseconds) : std::nullopt,
               obj ? nanoseconds(obj) : "");

    std::optional<bool> allocationsMet;
    std::size_t most = 0;
    for (const auto &[n, count] : findings.moduleAllocationsPerFrame) {
        most = std::max(most, count);
        allocationsMet = allocationsMet.value_or(true) && count <= targets.moduleAllocations;
    }
    list.check(
        std::to_string(targets.moduleAllocations) + " heap allocations inside the module per frame",
        allocationsMet,
        allocationsMet ? "at most " + std::to_string(most) + " in a timed frame" : "");

    bool agree = true;
    for (const auto &[n, agreement] : findings.referenceAgreement)
        agree = agree && agreement.differing == 0;
    list.check("the module computes what the reference computes, bit for bit",
               findings.referenceAgreement.empty() ? std::nullopt : std::optional(agree), "");
    out << "  Instruction counts (evaluate <= 700, host <= 150, frame <= 1000 per point): "
           "scripts/bench-counts.\n"
           "  Instance memory (at most 896 B fixed and 256 B per leaf) is checked by "
           "tests/module/memory_tests.cpp, part of scripts/test.\n";
    return list.allMet();
}

}  // namespace bench
