// The module file on POSIX systems: an ELF shared object opened with dlopen, its loadable segments
// from the program headers the dynamic loader reports, its version record from an ELF section.
#include "hostsim/native_library.h"

#include "host/version_record.h"
#include "hostsim/elf_image.h"
#include "hostsim/host_error.h"
#include "hostsim/version_record.h"

#include <dlfcn.h>
#include <elf.h>
#include <link.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace hostsim {

// Checks the file before it is handed to the dynamic loader, whose messages are less direct.
void NativeLibrary::check(const std::filesystem::path &path) {
    const ElfImage image = ElfImage::read(path);
    const ElfIdentity found = image.identity();
    const ElfIdentity host = ElfIdentity::ofThisHost();
    if (found.type != ET_DYN)
        throw HostError::at(path, "not an ELF shared object (" + found.describe() + ", type " +
                                      std::to_string(found.type) + ")");
    if (found.bits != host.bits || found.machine != host.machine)
        throw HostError::at(path, found.describe() + ", this host is " + machineName(host.machine));
}

namespace {

struct Search {
    const link_map *module = nullptr;
    bool found = false;
    std::uintptr_t base = 0;
    std::vector<ElfW(Phdr)> headers;
};

int visit(dl_phdr_info *info, std::size_t, void *data) {
    auto &search = *static_cast<Search *>(data);
    const char *name = info->dlpi_name ? info->dlpi_name : "";
    const char *wanted = search.module->l_name ? search.module->l_name : "";
    if (info->dlpi_addr != search.module->l_addr || std::strcmp(name, wanted) != 0) return 0;
    search.found = true;
    search.base = info->dlpi_addr;
    search.headers.assign(info->dlpi_phdr, info->dlpi_phdr + info->dlpi_phnum);
    return 1;
}

// A path without a slash would make the loader search its library path instead of this file.
std::string loaderPath(const std::filesystem::path &path) {
    return path.has_parent_path() ? path.string() : "./" + path.string();
}

}  // namespace

bool NativeLibrary::loaded(const std::filesystem::path &path) {
    // The loader knows a file it holds by its name and by its device and inode, so a second path
    // to the same file (a link) is found too.
    void *handle = dlopen(loaderPath(path).c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    if (handle == nullptr) return false;
    dlclose(handle);
    return true;
}

NativeLibrary NativeLibrary::open(const std::filesystem::path &path) {
    check(path);
    const std::string opened = loaderPath(path);
    void *handle = dlopen(opened.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char *error = dlerror();
        std::string why = error ? error : "unknown reason";
        // The loader's message names the file again; the path is already at the start of ours.
        if (why.starts_with(opened + ": ")) why.erase(0, opened.size() + 2);
        throw HostError::at(path, "cannot be loaded: " + why);
    }
    return NativeLibrary(handle);
}

void NativeLibrary::close() noexcept {
    if (handle_ != nullptr) dlclose(std::exchange(handle_, nullptr));
}

std::uintptr_t NativeLibrary::symbol(const char *name) const {
    return reinterpret_cast<std::uintptr_t>(dlsym(handle_, name));
}

std::optional<std::size_t> NativeLibrary::symbolSize(const char *name,
                                                     std::uintptr_t address) const {
    Dl_info info{};
    void *entry = nullptr;
    if (dladdr1(reinterpret_cast<void *>(address), &info, &entry, RTLD_DL_SYMENT) == 0)
        return std::nullopt;
    const auto *found = static_cast<const ElfW(Sym) *>(entry);
    if (found == nullptr || info.dli_sname == nullptr || std::strcmp(info.dli_sname, name) != 0)
        return std::nullopt;
    return static_cast<std::size_t>(found->st_size);
}

LoadedSegments NativeLibrary::segments() const {
    link_map *module = nullptr;
    if (handle_ == nullptr || dlinfo(handle_, RTLD_DI_LINKMAP, &module) != 0 || module == nullptr)
        return {};
    Search search{module, false, 0, {}};
    dl_iterate_phdr(&visit, &search);
    if (!search.found) return {};
    std::vector<LoadedSegments::Segment> segments;
    for (const ElfW(Phdr) & header : search.headers) {
        if (header.p_type != PT_LOAD || header.p_memsz == 0) continue;
        const std::uintptr_t begin = search.base + header.p_vaddr;
        segments.push_back({begin, begin + header.p_memsz, (header.p_flags & PF_R) != 0,
                            (header.p_flags & PF_X) != 0});
    }
    return LoadedSegments(std::move(segments));
}

VersionRecord readVersionRecord(const std::filesystem::path &path) {
    const ElfImage image = ElfImage::read(path);
    const auto bytes = image.section(VERSION_RECORD_SECTION);
    if (!bytes) throw HostError::at(path, "no section " VERSION_RECORD_SECTION);
    return parseVersionRecord(*bytes, path);
}

}  // namespace hostsim
