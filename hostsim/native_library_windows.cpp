// The module file on Windows: a DLL opened with LoadLibrary, its sections from the PE headers the
// loader mapped, its version record from the version resource.
#include "hostsim/native_library.h"

#include "hostsim/host_error.h"
#include "hostsim/pe_image.h"
#include "hostsim/version_record.h"

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace hostsim {
namespace {

#if defined(_WIN64)
constexpr std::uint16_t hostMachine = PeImage::machineAmd64;
#else
constexpr std::uint16_t hostMachine = PeImage::machineI386;
#endif

}  // namespace

// Checks the file before it is handed to the loader, whose messages are less direct.
void NativeLibrary::check(const std::filesystem::path &path) {
    const PeImage image = PeImage::read(path);
    if (!image.isDll()) throw HostError::at(path, "not a DLL (" + image.describe() + ")");
    if (image.machine() != hostMachine)
        throw HostError::at(path,
                            image.describe() + ", this host is " + peMachineName(hostMachine));
}

namespace {

// The system's text for `code`, its "%1" (the file the message is about) replaced by `file`.
std::string systemMessage(DWORD code, const std::string &file) {
    char *text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char *>(&text), 0, nullptr);
    std::string message =
        length > 0 && text != nullptr ? std::string(text, length) : "error " + std::to_string(code);
    if (text != nullptr) LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.'))
        message.pop_back();
    for (std::size_t at = message.find("%1"); at != std::string::npos;
         at = message.find("%1", at + file.size()))
        message.replace(at, 2, file);
    return message;
}

HMODULE moduleOf(void *handle) { return static_cast<HMODULE>(handle); }

// A full path, so that the loader takes this file and finds what it needs beside it.
std::filesystem::path loaderPath(const std::filesystem::path &path) {
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(path, error);
    return error ? path : full;
}

}  // namespace

bool NativeLibrary::loaded(const std::filesystem::path &path) {
    // The loader knows a DLL loaded by a full path by that path.
    HMODULE module = nullptr;
    return GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              loaderPath(path).wstring().c_str(), &module) != 0;
}

NativeLibrary NativeLibrary::open(const std::filesystem::path &path) {
    check(path);
    // No dialog box when the loader cannot load it.
    DWORD oldMode = 0;
    SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &oldMode);
    HMODULE module =
        LoadLibraryExW(loaderPath(path).wstring().c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    const DWORD code = GetLastError();
    SetThreadErrorMode(oldMode, nullptr);
    if (module == nullptr)
        throw HostError::at(path,
                            "cannot be loaded: " + systemMessage(code, path.filename().string()));
    return NativeLibrary(module);
}

void NativeLibrary::close() noexcept {
    if (handle_ != nullptr) FreeLibrary(moduleOf(std::exchange(handle_, nullptr)));
}

std::uintptr_t NativeLibrary::symbol(const char *name) const {
    return reinterpret_cast<std::uintptr_t>(GetProcAddress(moduleOf(handle_), name));
}

std::optional<std::size_t> NativeLibrary::symbolSize(const char *, std::uintptr_t) const {
    return std::nullopt;
}

LoadedSegments NativeLibrary::segments() const {
    if (handle_ == nullptr) return {};
    // The module handle is the image's base; its headers lie there as the loader mapped them.
    const auto base = reinterpret_cast<std::uintptr_t>(handle_);
    const auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return {};
    const auto *headers = reinterpret_cast<const IMAGE_NT_HEADERS *>(
        base + static_cast<std::uintptr_t>(dos->e_lfanew));
    if (headers->Signature != IMAGE_NT_SIGNATURE) return {};
    const IMAGE_SECTION_HEADER *section = IMAGE_FIRST_SECTION(headers);
    std::vector<LoadedSegments::Segment> segments;
    // The headers themselves are readable, as the ELF program headers are part of a segment.
    segments.push_back({base, base + headers->OptionalHeader.SizeOfHeaders, true, false});
    for (WORD i = 0; i < headers->FileHeader.NumberOfSections; ++i, ++section) {
        const DWORD size =
            section->Misc.VirtualSize != 0 ? section->Misc.VirtualSize : section->SizeOfRawData;
        if (size == 0) continue;
        const std::uintptr_t begin = base + section->VirtualAddress;
        segments.push_back({begin, begin + size,
                            (section->Characteristics & IMAGE_SCN_MEM_READ) != 0,
                            (section->Characteristics & IMAGE_SCN_MEM_EXECUTE) != 0});
    }
    return LoadedSegments(std::move(segments));
}

VersionRecord readVersionRecord(const std::filesystem::path &path) {
    return VersionRecord{PeImage::read(path).versionTexts()};
}

}  // namespace hostsim
