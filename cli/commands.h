// The vistrelle subcommands. Each lives in a file of its own (cli/<name>_command.cpp) and adds
// itself to the application through one function declared here; main() calls every one.
#pragma once

#include "cli/usage_error.h"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <string>

namespace cli {

// The path a user typed, whose text is UTF-8 (on Windows the command's arguments are made UTF-8
// from the wide ones): on Windows a plain string would be read in the C runtime's code page.
inline std::filesystem::path typedPath(const std::string &typed) {
    return std::filesystem::path(std::u8string(typed.begin(), typed.end()));
}

// What every subcommand may need.
struct CommandContext {
    // The module to load when none is named: the one installed or built with the command.
    std::filesystem::path defaultModule;
};

// The command's exit codes.
enum ExitCode : int {
    exitSuccess = 0,
    exitJobFailed = 1,  // the job failed: unreadable input, unwritable output, a module refused
    exitUsage = 2,  // the command line is wrong: unknown subcommand or option, a bad option value
    exitFaultsFound = 3,  // validate ran and found faults in the module
};

// Thrown by validate once its findings are printed: nothing more to say, exit 3.
struct FaultsFound {};

// Thrown by run once it has said where a stop signal stopped it: exit with 128 + the signal's
// number.
struct StoppedBySignal {
    int exitCode;
};

// Subcommand callbacks report failures by throwing hostsim::HostError (or another std::exception);
// main() prints its message as one line on stderr and exits with 1 (2 for a UsageError).
void addInfoCommand(CLI::App &app, const CommandContext &context);

void addPanelCommand(CLI::App &app, const CommandContext &context);
void addSceneCommand(CLI::App &app, const CommandContext &context);
void addRunCommand(CLI::App &app, const CommandContext &context);
void addApplyCommand(CLI::App &app, const CommandContext &context);
void addMakeBushCommand(CLI::App &app, const CommandContext &context);
void addValidateCommand(CLI::App &app, const CommandContext &context);
void addAssembleCommand(CLI::App &app, const CommandContext &context);

}  // namespace cli
