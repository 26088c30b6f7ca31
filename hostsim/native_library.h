// A module file opened by the platform's loader: dlopen on POSIX systems, LoadLibrary on Windows.
// The file is checked to be a shared library of this host's machine before the loader sees it, so a
// wrong file gets a direct message. Everything the loader-specific code knows sits behind this
// class and readVersionRecord (hostsim/version_record.h); one source file per platform implements
// both.
#pragma once

#include "hostsim/loaded_segments.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <utility>

namespace hostsim {

class NativeLibrary {
  public:
    // Throws HostError: missing file, not a shared library of this machine, not loadable.
    static NativeLibrary open(const std::filesystem::path &path);
    // Reads the file without loading it. Throws HostError: missing file, not a shared library of
    // this machine.
    static void check(const std::filesystem::path &path);
    // Whether the loader holds the file at `path` in this process already (opened by anyone), so
    // that opening it again would give the same image and share its globals.
    static bool loaded(const std::filesystem::path &path);

    NativeLibrary() = default;
    ~NativeLibrary() { close(); }
    NativeLibrary(NativeLibrary &&other) noexcept
        : handle_(std::exchange(other.handle_, nullptr)) {}
    NativeLibrary &operator=(NativeLibrary &&other) noexcept {
        if (this != &other) {
            close();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    NativeLibrary(const NativeLibrary &) = delete;
    NativeLibrary &operator=(const NativeLibrary &) = delete;

    // The address of the exported symbol `name`, or 0 when there is none.
    std::uintptr_t symbol(const char *name) const;
    // The size the symbol table gives the exported symbol `name` found at `address`, where the file
    // format records one (ELF does, PE does not).
    std::optional<std::size_t> symbolSize(const char *name, std::uintptr_t address) const;
    // Where the library lies in memory, with the permissions of each part.
    LoadedSegments segments() const;
    // Unloads the library; nothing of it may be used afterwards.
    void close() noexcept;

  private:
    explicit NativeLibrary(void *handle) : handle_(handle) {}

    void *handle_ = nullptr;
};

}  // namespace hostsim
