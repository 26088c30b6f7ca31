// The subcommands not yet built for Windows: run, whose worker processes, stop signals and progress
// line are POSIX. It refuses with one line that says what to use instead.
#include "cli/commands.h"

#include "hostsim/host_error.h"

#include <string>

namespace cli {

void addRunCommand(CLI::App &app, const CommandContext &) {
    auto *command = app.add_subcommand("run", "Play a scene's frames (not in this Windows build)");
    command->allow_extras();
    command->callback([] {
        throw hostsim::HostError(
            "vistrelle run: not in this Windows build; apply turns one frame of a mesh here "
            "(vistrelle apply --help), and the Linux archive's vistrelle runs whole scenes, on "
            "Linux or under WSL");
    });
}

}  // namespace cli
