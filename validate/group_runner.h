// Runs one validation group, by default in a child process of its own: a crash, a signal or a
// sanitizer's exit is then a failure of that group alone, and a group past its time limit is ended.
#pragma once

#include "validate/groups.h"

#include <chrono>
#include <string>

namespace validate {

struct RunOptions {
    bool fork = true;
    std::chrono::seconds timeLimit{120};
};

struct GroupOutcome {
    bool passed = false;
    std::string detail;  // the group's summary when it passed, the one-line reason when it failed
    double seconds = 0.0;
};

GroupOutcome runGroup(const Group &group, const GroupOptions &options, const RunOptions &run);

}  // namespace validate
