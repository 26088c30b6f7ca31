// The subcommands not yet in the Windows build: they refuse with one line and say where they run.
#include "cli/commands.h"

#include "hostsim/host_error.h"

#include <string>

namespace cli {
namespace {

void addRefusal(CLI::App &app, const char *name, const char *what) {
    auto *command = app.add_subcommand(name, std::string(what) + " (Linux builds only)");
    command->allow_extras();
    command->callback([name] {
        throw hostsim::HostError(
            std::string("vistrelle ") + name +
            ": not in the Windows build, which has run, info and validate; use "
            "the Linux archive's vistrelle, on Linux or under WSL");
    });
}

}  // namespace

#if !defined(VISTRELLE_RUN_ON_WINDOWS)
void addRunCommand(CLI::App &app, const CommandContext &) {
    addRefusal(app, "run", "Play a scene's frames");
}
#endif
void addApplyCommand(CLI::App &app, const CommandContext &) {
    addRefusal(app, "apply", "Turn a mesh toward a target");
}
void addPanelCommand(CLI::App &app, const CommandContext &) {
    addRefusal(app, "panel", "Show or edit a scene's options panel");
}
void addSceneCommand(CLI::App &app, const CommandContext &) {
    addRefusal(app, "scene", "Show a scene's items");
}
void addMakeBushCommand(CLI::App &app, const CommandContext &) {
    addRefusal(app, "make-bush", "Make the demo scene");
}

}  // namespace cli
