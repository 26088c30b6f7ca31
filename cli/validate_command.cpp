// vistrelle validate: loads a build of vistrel.p and runs every validation group on it, each in a
// child process of its own, then prints "N passed, M failed".
#include "cli/commands.h"
#include "cli/usage_error.h"

#include "hostsim/native_library.h"
#include "validate/group_runner.h"
#include "validate/groups.h"

#include <chrono>
#include <iomanip>
#include <iostream>
#include <memory>
#include <random>
#include <sstream>
#include <vector>

namespace cli {
namespace {

struct ValidateArguments {
    std::string module;
    std::uint64_t seed = 0;
    bool seedGiven = false;
    bool quick = false;
    bool noFork = false;
    bool writeVerdict = false;       // the child process of one group on Windows
    std::uintptr_t verdictPipe = 0;  // where it writes the verdict; 0 for standard output
    int timeLimit = 120;
    std::vector<std::string> only;
};

void runValidate(const ValidateArguments &args) {
    validate::GroupOptions options;
    options.module = typedPath(args.module);
    options.seed = args.seedGiven ? args.seed : std::random_device{}();
    options.quick = args.quick;
    validate::RunOptions run{!args.noFork, std::chrono::seconds(args.timeLimit), {}};
    if (args.writeVerdict) {
        if (args.only.size() != 1)
            throw UsageError("--write-verdict: give the one group with --only");
        for (const validate::Group &group : validate::validationGroups())
            if (group.name == args.only.front())
                validate::writeVerdict(group, options, args.verdictPipe);
        return;
    }
    // A file that is no module of this machine is one fault, not a finding of every group.
    hostsim::NativeLibrary::check(options.module);
    // Where a child process is this program again, it runs the group with the same module and seed.
    run.childArguments = {"validate",     args.module,
                          "--seed",       std::to_string(options.seed),
                          "--time-limit", std::to_string(args.timeLimit)};
    if (args.quick) run.childArguments.emplace_back("--quick");
    run.childArguments.insert(run.childArguments.end(), {"--write-verdict", "--only"});

    std::cout << "validating " << args.module << " with seed " << options.seed
              << (args.quick ? ", quick counts" : "") << '\n';
    int passed = 0;
    int failed = 0;
    for (const validate::Group &group : validate::validationGroups()) {
        if (!args.only.empty() &&
            std::find(args.only.begin(), args.only.end(), group.name) == args.only.end())
            continue;
        std::cout << std::left << std::setw(11) << group.name << ' ' << group.what << '\n'
                  << std::flush;
        const validate::GroupOutcome outcome = validate::runGroup(group, options, run);
        std::ostringstream time;
        time << std::fixed << std::setprecision(1) << outcome.seconds << " s";
        if (outcome.passed) {
            ++passed;
            std::cout << "  passed: " << outcome.detail << " (" << time.str() << ")\n";
        } else {
            ++failed;
            std::cout << "  FAILED: " << outcome.detail << " (" << time.str() << ")\n";
            if (group.random)
                std::cout << "  replay: vistrelle validate " << args.module << " --seed "
                          << options.seed << " --only " << group.name
                          << (args.quick ? " --quick" : "") << '\n';
        }
    }
    std::cout << passed << " passed, " << failed << " failed" << std::endl;
    if (failed > 0) throw FaultsFound{};
}

}  // namespace

void addValidateCommand(CLI::App &app, const CommandContext &context) {
    auto *command = app.add_subcommand(
        "validate", "Run every validation group on a build of vistrel.p, each in a child process.");
    auto args = std::make_shared<ValidateArguments>();
    args->module = context.defaultModule.string();
    command->add_option("PATH", args->module, "the module file")->capture_default_str();
    command->add_option_function<std::uint64_t>(
        "--seed", [args](std::uint64_t seed) { args->seed = seed, args->seedGiven = true; },
        "seed of the random groups (a fresh one when not given); replays a failure");
    command->add_flag("--quick", args->quick, "shorter counts, for valgrind and sanitizer runs");
    command->add_flag("--no-fork", args->noFork,
                      "run the groups in this process (for valgrind or a debugger)");
    command
        ->add_flag("--write-verdict", args->writeVerdict,
                   "run the one --only group here and write its verdict (a child process)")
        ->group("");
    command->add_option("--verdict-pipe", args->verdictPipe, "the pipe the verdict goes to")
        ->group("");
    command->add_option("--time-limit", args->timeLimit, "seconds each group may take")
        ->capture_default_str()
        ->check(CLI::PositiveNumber);
    std::vector<std::string> names;
    for (const validate::Group &group : validate::validationGroups())
        names.emplace_back(group.name);
    command->add_option("--only", args->only, "run only the named groups")
        ->check(CLI::IsMember(names));
    command->footer("Example:\n  vistrelle validate " + context.defaultModule.string() +
                    " --seed 42\n" + "  vistrelle validate " + context.defaultModule.string() +
                    " --quick --only call-order --seed 42");
    command->callback([args] { runValidate(*args); });
}

}  // namespace cli
