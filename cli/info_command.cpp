// vistrelle info: what a host sees of a module: its descriptor, its servers and its version record.
#include "cli/commands.h"
#include "cli/module_watch.h"
#include "hostsim/hex_text.h"

#include "hostsim/host_error.h"
#include "hostsim/module_library.h"
#include "hostsim/version_record.h"

#include <iomanip>
#include <iostream>
#include <memory>
#include <optional>

namespace cli {
namespace {

std::string word(std::uintptr_t value) { return hostsim::hexText(value, 2 * sizeof value); }

void printVersion(const std::optional<hostsim::VersionRecord> &version) {
    if (!version) return;
    std::cout << "version record\n";
    for (const auto &[key, value] : version->entries)
        std::cout << "  " << key << '=' << value << '\n';
}

void printInfo(const std::filesystem::path &path) {
    // Read before loading, so that a file the loader refuses still gets its own message first.
    std::optional<hostsim::VersionRecord> version;
    std::string versionError;
    try {
        version = hostsim::readVersionRecord(path);
    } catch (const hostsim::HostError &error) {
        versionError = error.what();
    }

    // What can be read without calling into the module comes first, so a broken module still shows
    // it.
    const hostsim::ModuleInspection seen = hostsim::ModuleLibrary::inspect(path);
    std::cout << "module " << path.string() << '\n';
    if (!seen.descriptorWords) {
        printVersion(version);
        throw hostsim::HostError(seen.fault);
    }
    static constexpr const char *fields[] = {"magic",     "version",    "systemWord",
                                             "startupFn", "shutdownFn", "serverList"};
    std::cout << "descriptor _mod_descrip\n";
    for (std::size_t i = 0; i < seen.descriptorWords->size(); ++i)
        std::cout << "  " << std::left << std::setw(11) << fields[i] << ' '
                  << word((*seen.descriptorWords)[i]) << '\n';
    const auto printServers = [](const auto &servers, const char *heading) {
        std::cout << heading << ' ' << servers.size() << '\n';
        for (const auto &server : servers)
            std::cout << "  " << std::left << std::setw(22) << server.pluginClass << ' '
                      << std::setw(12) << server.serverName << " extraInfo " << server.extraInfo
                      << '\n';
    };
    if (!seen.fault.empty()) {
        printServers(seen.servers, "servers read before the fault");
        printVersion(version);
        throw hostsim::HostError(seen.fault);
    }

    // A crash or an exit() in the module's startup or shutdown is one line naming it.
    const ModuleWatch watch(path);
    const hostsim::ModuleLibrary module(path);
    std::cout << "startup answered " << module.startupAnswer() << '\n';
    printServers(module.servers(), "servers");
    if (!version) throw hostsim::HostError(versionError);
    printVersion(version);
    std::cout.flush();
}

}  // namespace

void addInfoCommand(CLI::App &app, const CommandContext &context) {
    auto *info = app.add_subcommand(
        "info", "Load a module and print its descriptor words, servers and version record.");
    auto path = std::make_shared<std::string>(context.defaultModule.string());
    info->add_option("PATH", *path, "the module file")->capture_default_str();
    info->footer("Example:\n  vistrelle info " + context.defaultModule.string() + "\n");
    info->callback([path] { printInfo(typedPath(*path)); });
}

}  // namespace cli
