// vistrelle make-bush: writes the demo scene that `vistrelle run` plays. It is added together with
// run (commands.h has no slot of its own for it).
#pragma once

#include <CLI/CLI.hpp>

namespace vistrelle {

void addMakeBushCommand(CLI::App &app);

}  // namespace vistrelle
