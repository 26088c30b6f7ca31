// A plug-in module loaded by path, as a host loads it: the ELF file is checked first so that a
// wrong file gives a clear error, then it is opened, `_mod_descrip` is read and checked, the
// start-up function is called and the server list is walked. Shutdown and unloading follow on
// destruction.
#pragma once

#include "host/module_descriptor.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>

namespace hostsim {

class ModuleLibrary {
public:
    // Longest server list accepted; a list not closed within it is an error.
    static constexpr std::size_t maxServers = 64;

    // Throws HostError: missing file, not an ELF shared object, another class or machine than this
    // build, not loadable, no `_mod_descrip`, bad magic, malformed server list.
    explicit ModuleLibrary(const std::filesystem::path &path);
    ~ModuleLibrary();
    ModuleLibrary(ModuleLibrary &&other) noexcept;
    ModuleLibrary &operator=(ModuleLibrary &&other) noexcept;
    ModuleLibrary(const ModuleLibrary &) = delete;
    ModuleLibrary &operator=(const ModuleLibrary &) = delete;

    const std::filesystem::path &path() const { return path_; }
    const ModuleDescriptor &descriptor() const { return *descriptor_; }
    // The six descriptor words as they lie in memory.
    std::array<std::uintptr_t, 6> descriptorWords() const;
    // What the start-up function answered.
    std::uintptr_t startupAnswer() const { return startupAnswer_; }
    // The server entries, without the closing all-zero entry.
    std::span<const ServerEntry> servers() const { return {descriptor_->serverList, serverCount_}; }
    // The entry of `pluginClass` under `serverName`; HostError "class X not served under name Y".
    const ServerEntry &findServer(std::string_view pluginClass, std::string_view serverName) const;

private:
    void release() noexcept;

    std::filesystem::path path_;
    void *handle_ = nullptr;
    const ModuleDescriptor *descriptor_ = nullptr;
    std::size_t serverCount_ = 0;
    std::uintptr_t startupAnswer_ = 0;
};

}  // namespace hostsim
