// Runs a group in a child process or in this one, and the child's side of the Windows protocol.
#include "validate/group_runner.h"

#include "validate/group_process.h"

#include <exception>

namespace validate {

using Clock = std::chrono::steady_clock;

// The group's verdict: 'P' or 'F' followed by its line.
std::string verdictOf(const Group &group, const GroupOptions &options) {
    try {
        return "P" + group.run(options);
    } catch (const std::exception &error) {
        return std::string("F") + error.what();
    } catch (...) {
        return "Fan exception of unknown type escaped";
    }
}

GroupOutcome outcomeOf(const std::string &verdict) {
    if (verdict.empty()) return {false, "ended without a verdict"};
    return {verdict.front() == 'P', verdict.substr(1)};
}

GroupOutcome runGroup(const Group &group, const GroupOptions &options, const RunOptions &run) {
    const auto start = Clock::now();
    GroupOutcome outcome =
        run.fork ? runInChild(group, options, run) : outcomeOf(verdictOf(group, options));
    outcome.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return outcome;
}

}  // namespace validate
