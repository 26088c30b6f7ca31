// The child process of one validation group, one source file per platform: fork on POSIX systems,
// a new process of this program on Windows (each also implements writeVerdict). The child's verdict
// is 'P' or 'F' followed by its line.
#pragma once

#include "validate/group_runner.h"

#include <string>

namespace validate {

// The group's verdict, run in this process; never throws.
std::string verdictOf(const Group &group, const GroupOptions &options);
// The outcome a verdict stands for.
GroupOutcome outcomeOf(const std::string &verdict);
// Runs the group in a child process within the time limit and reads its verdict.
GroupOutcome runInChild(const Group &group, const GroupOptions &options, const RunOptions &run);

}  // namespace validate
