// The validator's groups of checks. Each runs on its own (the runner gives each a child process),
// throws ValidationFailure or another std::exception at its first violated check, and otherwise
// answers one line on what it did.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace validate {

struct GroupOptions {
    std::filesystem::path module;
    std::uint64_t seed = 0;  // the random groups draw from it
    bool quick = false;      // shorter counts, for valgrind and sanitizer runs
};

struct Group {
    std::string_view name;
    std::string_view what;
    bool random = false;  // draws from the seed: a failure is replayed with --seed
    std::string (*run)(const GroupOptions &options);
};

std::string runDescriptorGroup(const GroupOptions &options);
std::string runLifecycleGroup(const GroupOptions &options);
std::string runSettingsGroup(const GroupOptions &options);
std::string runGeometryGroup(const GroupOptions &options);
std::string runCallOrderGroup(const GroupOptions &options);
std::string runStateGroup(const GroupOptions &options);

// Every group, in the order they run.
std::span<const Group> validationGroups();

}  // namespace validate
