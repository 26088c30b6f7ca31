// vistrelle: drives the Vistrelle module through the stand-in host from the command line.
#include "cli/commands.h"

#include <cstdlib>
#include <iostream>
#include <system_error>

namespace {

// vistrel.p beside the running executable when there is one, else the module built with this command.
std::filesystem::path findDefaultModule() {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const auto beside = self.parent_path() / "vistrel.p";
        if (std::filesystem::exists(beside, error)) return beside;
    }
    return VISTREL_BUILT_MODULE;
}

}  // namespace

int main(int argc, char **argv) {
    CLI::App app{"vistrelle: loads the Vistrelle plug-in module (vistrel.p) through a stand-in host and drives it."};
    app.require_subcommand(1);
    app.footer("Example:\n  vistrelle info " + std::string(VISTREL_BUILT_MODULE));

    const vistrelle::CommandContext context{findDefaultModule()};
    using AddCommand = void (*)(CLI::App &, const vistrelle::CommandContext &);
    for (const AddCommand add : {&vistrelle::addInfoCommand, &vistrelle::addPanelCommand, &vistrelle::addSceneCommand,
                                 &vistrelle::addRunCommand, &vistrelle::addApplyCommand, &vistrelle::addValidateCommand})
        if (add != nullptr) add(app, context);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &error) {
        return app.exit(error);
    } catch (const std::exception &error) {
        std::cout.flush();
        std::cerr << error.what() << '\n';
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}
