// Runs one validation group, by default in a child process of its own: a crash, a signal or a
// sanitizer's exit is then a failure of that group alone, and a group past its time limit is ended.
#pragma once

#include "validate/groups.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace validate {

struct RunOptions {
    bool fork = true;  // in a child process
    std::chrono::seconds timeLimit{120};
    // Where a child process is a new program rather than a fork (Windows): the arguments with which
    // this program runs one group and writes its verdict (writeVerdict); the group's name is added.
    std::vector<std::string> childArguments{};
};

struct GroupOutcome {
    bool passed = false;
    std::string detail;  // the group's summary when it passed, the one-line reason when it failed
    double seconds = 0.0;
};

GroupOutcome runGroup(const Group &group, const GroupOptions &options, const RunOptions &run);

// Runs the group in this process and writes its verdict, for the parent that started this process
// through RunOptions::childArguments: to the pipe whose handle the parent handed down, so that
// nothing the module prints can spoil it, or to standard output when `pipe` is 0. A crash of the
// module is written as a failed verdict where the system lets a process report its own crash.
void writeVerdict(const Group &group, const GroupOptions &options, std::uintptr_t pipe = 0);

}  // namespace validate
