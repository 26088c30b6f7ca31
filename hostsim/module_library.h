// A plug-in module loaded by path, as a host loads it: the file (ELF, or PE on Windows) is checked
// first so that a wrong file gives a clear error, then it is opened, `_mod_descrip` is read and
// checked, the start-up function is called and the server list is walked. Shutdown and unloading
// follow on destruction.
#pragma once

#include "host/module_descriptor.h"
#include "hostsim/native_library.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace hostsim {

// What a host can read of a module's descriptor and server list without calling into the module.
struct ModuleInspection {
    struct Server {
        std::string pluginClass;
        std::string serverName;
        std::uintptr_t extraInfo = 0;
    };
    std::optional<std::array<std::uintptr_t, 6>>
        descriptorWords;          // when _mod_descrip could be read whole
    std::vector<Server> servers;  // the entries read before any fault
    std::string fault;            // the one-line refusal; empty when none
};

class ModuleLibrary {
  public:
    // Longest server list accepted; a list not closed within it is an error.
    static constexpr std::size_t maxServers = 64;

    // Throws HostError: missing file, not a shared library (ELF or DLL), another class or machine
    // than this build, not loadable, no `_mod_descrip`, bad magic, malformed server list. Every
    // address the descriptor and the server list hold is checked to lie in the module's own loaded
    // segments (readable for data, executable for code) before it is read or called; `_mod_descrip`
    // must be a whole, aligned descriptor. A fault names the field: "server entry 2 activateFn
    // 0x... lies outside the module's code".
    explicit ModuleLibrary(const std::filesystem::path &path);

    // Loads the module and reads what the constructor checks, without calling its start-up function
    // or anything else of it. Throws HostError only when the file cannot be loaded at all.
    static ModuleInspection inspect(const std::filesystem::path &path);
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
    NativeLibrary library_;
    const ModuleDescriptor *descriptor_ = nullptr;
    std::size_t serverCount_ = 0;
    std::uintptr_t startupAnswer_ = 0;
};

}  // namespace hostsim
