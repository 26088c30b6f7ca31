// Loading, checking and unloading a plug-in module.
#include "hostsim/module_library.h"

#include "hostsim/elf_image.h"
#include "hostsim/host_error.h"

#include <dlfcn.h>
#include <elf.h>

#include <cstring>
#include <iomanip>
#include <sstream>
#include <utility>

namespace hostsim {
namespace {

std::string hex(std::uintptr_t value) {
    std::ostringstream out;
    out << "0x" << std::hex << std::setw(8) << std::setfill('0') << value;
    return out.str();
}

bool isClosingEntry(const ServerEntry &entry) {
    return entry.pluginClass == nullptr && entry.serverName == nullptr && entry.activateFn == nullptr &&
           entry.extraInfo == 0;
}

// Checks the file before it is handed to the dynamic loader, whose messages are less direct.
void checkLoadable(const std::filesystem::path &path) {
    const ElfImage image = ElfImage::read(path);
    const ElfIdentity found = image.identity();
    const ElfIdentity host = ElfIdentity::ofThisHost();
    if (found.type != ET_DYN)
        throw HostError::at(path, "not an ELF shared object (" + found.describe() + ", type " + std::to_string(found.type) + ")");
    if (found.bits != host.bits || found.machine != host.machine)
        throw HostError::at(path, found.describe() + ", this host is " + machineName(host.machine));
}

}  // namespace

ModuleLibrary::ModuleLibrary(const std::filesystem::path &path) : path_(path) {
    checkLoadable(path);
    // A path without a slash would make the loader search its library path instead of this file.
    const std::string opened = path.has_parent_path() ? path.string() : "./" + path.string();
    handle_ = dlopen(opened.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char *error = dlerror();
        std::string why = error ? error : "unknown reason";
        // The loader's message names the file again; the path is already at the start of ours.
        if (why.starts_with(opened + ": ")) why.erase(0, opened.size() + 2);
        throw HostError::at(path, "cannot be loaded: " + why);
    }
    try {
        descriptor_ = static_cast<const ModuleDescriptor *>(dlsym(handle_, "_mod_descrip"));
        if (descriptor_ == nullptr) throw HostError::at(path, "no _mod_descrip symbol");
        if (descriptor_->magic != MODULE_MAGIC)
            throw HostError::at(path, "_mod_descrip magic is " + hex(descriptor_->magic) + ", expected " + hex(MODULE_MAGIC));
        if (descriptor_->startupFn == nullptr) throw HostError::at(path, "_mod_descrip has no start-up function");
        if (descriptor_->serverList == nullptr) throw HostError::at(path, "_mod_descrip has no server list");
        while (true) {
            const ServerEntry &entry = descriptor_->serverList[serverCount_];
            if (isClosingEntry(entry)) break;
            if (serverCount_ == maxServers)
                throw HostError::at(path, "server list not closed after " + std::to_string(maxServers) + " entries");
            if (entry.pluginClass == nullptr || entry.serverName == nullptr || entry.activateFn == nullptr)
                throw HostError::at(path, "server entry " + std::to_string(serverCount_ + 1) + " lacks its class, name or activation");
            ++serverCount_;
        }
        startupAnswer_ = descriptor_->startupFn();
    } catch (...) {
        dlclose(handle_);
        throw;
    }
}

ModuleLibrary::~ModuleLibrary() { release(); }

ModuleLibrary::ModuleLibrary(ModuleLibrary &&other) noexcept
    : path_(std::move(other.path_)),
      handle_(std::exchange(other.handle_, nullptr)),
      descriptor_(std::exchange(other.descriptor_, nullptr)),
      serverCount_(std::exchange(other.serverCount_, 0)),
      startupAnswer_(other.startupAnswer_) {}

ModuleLibrary &ModuleLibrary::operator=(ModuleLibrary &&other) noexcept {
    if (this != &other) {
        release();
        path_ = std::move(other.path_);
        handle_ = std::exchange(other.handle_, nullptr);
        descriptor_ = std::exchange(other.descriptor_, nullptr);
        serverCount_ = std::exchange(other.serverCount_, 0);
        startupAnswer_ = other.startupAnswer_;
    }
    return *this;
}

void ModuleLibrary::release() noexcept {
    if (handle_ == nullptr) return;
    if (descriptor_->shutdownFn != nullptr) descriptor_->shutdownFn();
    dlclose(handle_);
    handle_ = nullptr;
    descriptor_ = nullptr;
}

std::array<std::uintptr_t, 6> ModuleLibrary::descriptorWords() const {
    std::array<std::uintptr_t, 6> words{};
    static_assert(sizeof words == sizeof(ModuleDescriptor));
    std::memcpy(words.data(), descriptor_, sizeof words);
    return words;
}

const ServerEntry &ModuleLibrary::findServer(std::string_view pluginClass, std::string_view serverName) const {
    for (const ServerEntry &entry : servers())
        if (entry.pluginClass == pluginClass && entry.serverName == serverName) return entry;
    throw HostError::at(path_, "class " + std::string(pluginClass) + " not served under name " + std::string(serverName));
}

}  // namespace hostsim
