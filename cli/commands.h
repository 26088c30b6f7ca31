// The vistrelle subcommands. Each lives in a file of its own (cli/<name>_command.cpp) and adds
// itself to the application through one function declared here; main() calls every one.
#pragma once

#include <CLI/CLI.hpp>

#include <filesystem>

namespace vistrelle {

// What every subcommand may need.
struct CommandContext {
    // The module to load when none is named: vistrel.p beside the executable, else the one built with it.
    std::filesystem::path defaultModule;
};

// Subcommand callbacks report failures by throwing hostsim::HostError (or another std::exception);
// main() prints its message as one line on stderr and exits with 1.
void addInfoCommand(CLI::App &app, const CommandContext &context);

void addPanelCommand(CLI::App &app, const CommandContext &context);
void addSceneCommand(CLI::App &app, const CommandContext &context);
void addRunCommand(CLI::App &app, const CommandContext &context);
void addApplyCommand(CLI::App &app, const CommandContext &context);
void addMakeBushCommand(CLI::App &app, const CommandContext &context);
void addValidateCommand(CLI::App &app, const CommandContext &context);

}  // namespace vistrelle
