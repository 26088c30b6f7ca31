// Loading, checking and unloading a plug-in module.
#include "hostsim/module_library.h"

#include "hostsim/hex_text.h"
#include "hostsim/module_call.h"

#include "hostsim/host_error.h"
#include "hostsim/loaded_segments.h"
#include "hostsim/native_library.h"

#include <cstring>
#include <utility>

namespace hostsim {
namespace {

std::string hex(std::uintptr_t value) { return hexText(value, 8); }

bool isClosingEntry(const ServerEntry &entry) {
    return entry.pluginClass == nullptr && entry.serverName == nullptr &&
           entry.activateFn == nullptr && entry.extraInfo == 0;
}

// Longest class or server name read from a module.
constexpr std::size_t maxNameLength = 4096;

// The module's descriptor after every check, with the number of server entries; throws HostError
// naming the first bad field. Nothing of the module is called. `report`, when given, collects what
// was read as the checks pass.
const ModuleDescriptor *checkedDescriptor(const NativeLibrary &library,
                                          const std::filesystem::path &path,
                                          std::size_t &serverCount, ModuleInspection *report) {
    const std::uintptr_t address = library.symbol("_mod_descrip");
    if (address == 0) throw HostError::at(path, "no _mod_descrip symbol");
    const LoadedSegments segments = library.segments();
    if (const auto size = library.symbolSize("_mod_descrip", address);
        size && *size < sizeof(ModuleDescriptor))
        throw HostError::at(
            path, "_mod_descrip is " + std::to_string(*size) + (*size == 1 ? " byte" : " bytes") +
                      ", a module descriptor takes " + std::to_string(sizeof(ModuleDescriptor)));
    if (!segments.readable(address, sizeof(ModuleDescriptor)))
        throw HostError::at(
            path, "_mod_descrip at " + hex(address) + " does not lie whole in the module's data");
    if (address % alignof(ModuleDescriptor) != 0)
        throw HostError::at(path, "_mod_descrip at " + hex(address) + " is not aligned to " +
                                      std::to_string(alignof(ModuleDescriptor)) + " bytes");
    const auto *descriptor = reinterpret_cast<const ModuleDescriptor *>(address);
    if (report) {
        std::array<std::uintptr_t, 6> words{};
        std::memcpy(words.data(), descriptor, sizeof words);
        report->descriptorWords = words;
    }

    if (descriptor->magic != MODULE_MAGIC)
        throw HostError::at(path, "_mod_descrip magic is " + hex(descriptor->magic) +
                                      ", expected " + hex(MODULE_MAGIC));
    const auto code = [&](const char *field, auto function, bool optional) {
        const auto at = reinterpret_cast<std::uintptr_t>(function);
        if (at == 0 && optional) return;
        if (at == 0) throw HostError::at(path, std::string(field) + " is null");
        if (!segments.executable(at))
            throw HostError::at(
                path, std::string(field) + " " + hex(at) + " lies outside the module's code");
    };
    code("_mod_descrip startupFn", descriptor->startupFn, false);
    code("_mod_descrip shutdownFn", descriptor->shutdownFn, true);
    const auto list = reinterpret_cast<std::uintptr_t>(descriptor->serverList);
    if (list == 0) throw HostError::at(path, "_mod_descrip has no server list");
    if (list % alignof(ServerEntry) != 0)
        throw HostError::at(path, "_mod_descrip serverList " + hex(list) + " is not aligned");

    serverCount = 0;
    while (true) {
        const std::string entryName = "server entry " + std::to_string(serverCount + 1);
        const std::uintptr_t entryAt = list + serverCount * sizeof(ServerEntry);
        if (!segments.readable(entryAt, sizeof(ServerEntry)))
            throw HostError::at(
                path, serverCount == 0 ? "_mod_descrip serverList " + hex(list) +
                                             " lies outside the module's data"
                                       : entryName + " at " + hex(entryAt) +
                                             " lies outside the module's data (list not closed)");
        const ServerEntry &entry = descriptor->serverList[serverCount];
        if (isClosingEntry(entry)) break;
        if (serverCount == ModuleLibrary::maxServers)
            throw HostError::at(path, "server list not closed after " +
                                          std::to_string(ModuleLibrary::maxServers) + " entries");
        if (entry.pluginClass == nullptr || entry.serverName == nullptr ||
            entry.activateFn == nullptr)
            throw HostError::at(path, entryName + " lacks its class, name or activation");
        for (const auto &[field, text] : {std::pair{"pluginClass", entry.pluginClass},
                                          std::pair{"serverName", entry.serverName}})
            if (!segments.textLength(reinterpret_cast<std::uintptr_t>(text), maxNameLength))
                throw HostError::at(path, entryName + " " + field + " " +
                                              hex(reinterpret_cast<std::uintptr_t>(text)) +
                                              " is not a text in the module's data");
        code((entryName + " activateFn").c_str(), entry.activateFn, false);
        if (report)
            report->servers.push_back({entry.pluginClass, entry.serverName, entry.extraInfo});
        ++serverCount;
    }
    return descriptor;
}

}  // namespace

ModuleLibrary::ModuleLibrary(const std::filesystem::path &path)
    : path_(path), library_(NativeLibrary::open(path)) {
    descriptor_ = checkedDescriptor(library_, path, serverCount_, nullptr);
    const CallScope call("startup");
    startupAnswer_ = descriptor_->startupFn();
}

ModuleInspection ModuleLibrary::inspect(const std::filesystem::path &path) {
    ModuleInspection report;
    const NativeLibrary library = NativeLibrary::open(path);
    try {
        std::size_t count = 0;
        checkedDescriptor(library, path, count, &report);
    } catch (const HostError &error) {
        report.fault = error.what();
    }
    return report;
}

ModuleLibrary::~ModuleLibrary() { release(); }

ModuleLibrary::ModuleLibrary(ModuleLibrary &&other) noexcept
    : path_(std::move(other.path_)),
      library_(std::move(other.library_)),
      descriptor_(std::exchange(other.descriptor_, nullptr)),
      serverCount_(std::exchange(other.serverCount_, 0)),
      startupAnswer_(other.startupAnswer_) {}

ModuleLibrary &ModuleLibrary::operator=(ModuleLibrary &&other) noexcept {
    if (this != &other) {
        release();
        path_ = std::move(other.path_);
        library_ = std::move(other.library_);
        descriptor_ = std::exchange(other.descriptor_, nullptr);
        serverCount_ = std::exchange(other.serverCount_, 0);
        startupAnswer_ = other.startupAnswer_;
    }
    return *this;
}

void ModuleLibrary::release() noexcept {
    // Shut down only a module that was started; the library is unloaded either way.
    if (descriptor_ != nullptr && descriptor_->shutdownFn != nullptr) {
        const CallScope call("shutdown");
        descriptor_->shutdownFn();
    }
    descriptor_ = nullptr;
    library_.close();
}

std::array<std::uintptr_t, 6> ModuleLibrary::descriptorWords() const {
    std::array<std::uintptr_t, 6> words{};
    static_assert(sizeof words == sizeof(ModuleDescriptor));
    std::memcpy(words.data(), descriptor_, sizeof words);
    return words;
}

const ServerEntry &ModuleLibrary::findServer(std::string_view pluginClass,
                                             std::string_view serverName) const {
    for (const ServerEntry &entry : servers())
        if (entry.pluginClass == pluginClass && entry.serverName == serverName) return entry;
    throw HostError::at(path_, "class " + std::string(pluginClass) + " not served under name " +
                                   std::string(serverName));
}

}  // namespace hostsim
