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
    app.footer("Examples (from the source folder):\n"
               "  vistrelle run examples/bush.json --out out/demo\n"
               "  vistrelle apply examples/bush.obj --target 10,0,0 -o turned.obj --p-align on\n"
               "  vistrelle panel examples/bush.json --set \"Object points=3\"\n"
               "  vistrelle info " + std::string(VISTREL_BUILT_MODULE) + "\n"
               "Each subcommand's --help shows more.\n");

    const vistrelle::CommandContext context{findDefaultModule()};
    using AddCommand = void (*)(CLI::App &, const vistrelle::CommandContext &);
    for (const AddCommand add : {&vistrelle::addRunCommand, &vistrelle::addApplyCommand, &vistrelle::addPanelCommand,
                                 &vistrelle::addSceneCommand, &vistrelle::addInfoCommand, &vistrelle::addValidateCommand,
                                 &vistrelle::addMakeBushCommand})
        add(app, context);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp &help) {
        return app.exit(help);
    } catch (const CLI::CallForAllHelp &help) {
        return app.exit(help);
    } catch (const CLI::ParseError &error) {
        // Bad arguments: one line that says what is wrong and where to look.
        std::cerr << "vistrelle: " << error.what() << " (see vistrelle --help)\n";
        return EXIT_FAILURE;
    } catch (const std::exception &error) {
        std::cout.flush();
        std::cerr << error.what() << '\n';
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}
