// vistrelle: drives the Vistrelle module through the stand-in host from the command line.
#include "cli/commands.h"
#include "cli/install_layout.h"
#include "cli/test_pause.h"

#include "hostsim/version_record.h"

#include <iostream>
#include <new>
#include <string_view>
#include <system_error>

#if defined(_WIN32)
#include "cli/report_line.h"

#include <windows.h>
#endif

namespace {

// The command's version and the default module's, read from its version record without loading it.
std::string versionText(const std::filesystem::path &module) {
    std::string text = "vistrelle " VISTRELLE_VERSION "\nmodule " + module.string();
    try {
        const hostsim::VersionRecord record = hostsim::readVersionRecord(module);
        for (const auto &[key, value] : record.entries) text += "\n  " + key + '=' + value;
    } catch (const hostsim::HostError &error) {
        text += "\n  (no version record: " + std::string(error.what()) + ')';
    }
    return text;
}

std::string subcommandList(const CLI::App &app) {
    std::string names;
    for (const CLI::App *command : app.get_subcommands([](const CLI::App *) { return true; }))
        names += (names.empty() ? "" : ", ") + command->get_name();
    return names;
}

// The subcommand in use, for messages: "vistrelle run".
std::string commandName(const CLI::App &app) {
    const auto used = app.get_subcommands();
    return used.empty() ? "vistrelle" : "vistrelle " + used.front()->get_name();
}

#if defined(_WIN32)
// The arguments as the user typed them, in UTF-8: every path is then opened through the wide API
// and every message shows the name typed.
std::vector<std::string> utf8Arguments(int argc, wchar_t **argv) {
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) {
        const int length =
            WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
        std::string argument(static_cast<std::size_t>(length > 0 ? length : 1), '\0');
        WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, argument.data(), length, nullptr, nullptr);
        argument.resize(argument.size() - 1);
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

// A crash outside the module's watched calls: one line, and the process ends with the exception's
// code, with no debugger or error box.
LONG WINAPI onUnhandledException(EXCEPTION_POINTERS *exception) {
    const DWORD code = exception->ExceptionRecord->ExceptionCode;
    cli::ReportLine line;
    line.add("vistrelle: crashed with exception ");
    line.addException(code);
    line.add("\n");
    DWORD wrote = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()), &wrote,
              nullptr);
    return EXCEPTION_EXECUTE_HANDLER;
}
#endif

int runCommand(int argc, char **argv);

}  // namespace

#if defined(_WIN32)
int wmain(int argc, wchar_t **argv) {
    // A crash ends the process with its code and no error box or debugger; a module's crash in a
    // call the command watches is reported in one line before that (cli/module_watch.h).
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(&onUnhandledException);
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> arguments = utf8Arguments(argc, argv);
    // "/?" is the Windows way to ask for help; any other word that starts with '/' is a path.
    if (arguments.size() >= 2 && arguments.back() == "/?") arguments.back() = "--help";
    std::vector<char *> pointers;
    for (std::string &argument : arguments) pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    return runCommand(argc, pointers.data());
}
#else
int main(int argc, char **argv) { return runCommand(argc, argv); }
#endif

namespace {

int runCommand(int argc, char **argv) {
    CLI::App app{
        "vistrelle: loads the Vistrelle plug-in module (vistrel.p) through a stand-in host and "
        "drives it."};
    // A path may start with '/', on Windows too.
    app.allow_windows_style_options(false);
    app.name("vistrelle");
    app.require_subcommand(1);
    const cli::CommandContext context{cli::defaultModulePath()};
    app.set_version_flag(
        "--version", [&context] { return versionText(context.defaultModule); },
        "print the command's version and the default module's, then exit");
    // The examples are of what runs on this system.
#if defined(_WIN32)
    app.footer(
        "Examples:\n"
        "  vistrelle run examples\\bush.json --out out\\demo --gltf\n"
        "  vistrelle make-bush --seed 7 --cards 300 -o bush\\bush.obj\n"
        "  vistrelle apply bush\\bush.obj --target 10,0,0 -o turned.obj --svg turned.svg\n"
        "  vistrelle panel bush\\bush.json --set \"Object points=3\" --save-as edited.json\n"
        "  vistrelle scene bush\\bush.json\n"
        "  vistrelle info " +
        context.defaultModule.string() +
        "\n"
        "Each subcommand's --help shows more; /? is --help.\n"
#else
    app.footer(
        "Examples (from the source folder):\n"
        "  vistrelle run examples/bush.json --out out/demo\n"
        "  vistrelle apply examples/bush.obj --target 10,0,0 -o turned.obj --p-align on\n"
        "  vistrelle panel examples/bush.json --set \"Object points=3\"\n"
        "  vistrelle info " +
        context.defaultModule.string() +
        "\n"
        "Each subcommand's --help shows more.\n"
#endif
        "Exit codes: 0 success; 1 the job failed (input, output or module); 2 usage error "
        "(unknown\n"
        "subcommand or option, bad option value); 3 validate found faults in the module.\n");

    using AddCommand = void (*)(CLI::App &, const cli::CommandContext &);
    for (const AddCommand add :
         {&cli::addRunCommand, &cli::addAssembleCommand, &cli::addApplyCommand,
          &cli::addPanelCommand, &cli::addSceneCommand, &cli::addInfoCommand,
          &cli::addValidateCommand, &cli::addMakeBushCommand})
        add(app, context);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp &help) {
        return app.exit(help);
    } catch (const CLI::CallForAllHelp &help) {
        return app.exit(help);
    } catch (const CLI::CallForVersion &version) {
        std::cout << version.what() << '\n';
        return cli::exitSuccess;
    } catch (const CLI::ParseError &error) {
        // A first word that is no subcommand is the likely mistake; say so rather than "subcommand
        // required".
        if (app.get_subcommands().empty() && argc > 1 && argv[1][0] != '-') {
            std::cerr << "vistrelle: unknown subcommand '" << argv[1] << "'; the subcommands are "
                      << subcommandList(app) << " (see vistrelle --help)\n";
            return cli::exitUsage;
        }
        // Bad arguments: one line that says what is wrong and where to look.
        std::cerr << commandName(app) << ": " << error.what() << " (see " << commandName(app)
                  << " --help)\n";
        return cli::exitUsage;
    } catch (const cli::FaultsFound &) {
        return cli::exitFaultsFound;  // the findings are printed already
    } catch (const cli::StoppedBySignal &stopped) {
        return stopped.exitCode;  // where it stopped and what it kept is printed already
    } catch (const cli::UsageError &error) {
        std::cout.flush();
        std::cerr << error.what() << '\n';
        return cli::exitUsage;
    } catch (const hostsim::HostError &error) {
        // Already one line that starts with the file or option it concerns.
        std::cout.flush();
        std::cerr << error.what() << '\n';
        return cli::exitJobFailed;
    } catch (const std::bad_alloc &) {
        std::cout.flush();
        std::cerr << commandName(app) << ": out of memory\n";
        return cli::exitJobFailed;
    } catch (const std::exception &error) {
        std::cout.flush();
        std::cerr << commandName(app) << ": " << error.what() << '\n';
        return cli::exitJobFailed;
    }
    cli::pauseForTest("exit");
    return cli::exitSuccess;
}

}  // namespace
