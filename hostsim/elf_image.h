// An ELF file read from disk without loading it: its identity (class, type, machine) and the
// contents of a named section. Every offset is checked against the file, so truncated or garbage
// files give a HostError, never a read out of bounds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace hostsim {

struct ElfIdentity {
    int bits = 0;               // 32 or 64
    std::uint16_t type = 0;     // ET_DYN for a shared object
    std::uint16_t machine = 0;  // EM_386, EM_X86_64, ...

    // "ELF32 i386", "ELF64 x86-64", "ELF64 machine 183"
    std::string describe() const;
    // The identity a shared object loadable by this build has.
    static ElfIdentity ofThisHost();
};

// "i386", "x86-64", or "machine <n>" for one this host does not name.
std::string machineName(std::uint16_t machine);

class ElfImage {
  public:
    // Reads the whole file. Throws HostError when it is missing, unreadable or has no ELF header.
    static ElfImage read(const std::filesystem::path &path);

    const std::filesystem::path &path() const { return path_; }
    const ElfIdentity &identity() const { return identity_; }

    // The file bytes of the section called `name`; nullopt when there is none. Throws HostError
    // when the section header table or the section name table is malformed.
    std::optional<std::span<const std::byte>> section(std::string_view name) const;

  private:
    struct SectionHeader {
        std::uint32_t name = 0;
        std::uint32_t type = 0;
        std::uint64_t offset = 0;
        std::uint64_t size = 0;
        std::uint32_t link = 0;
    };

    ElfImage(std::filesystem::path path, std::vector<std::byte> bytes);

    SectionHeader sectionHeader(std::uint64_t index) const;
    std::span<const std::byte> sectionBytes(const SectionHeader &header,
                                            std::string_view what) const;
    [[noreturn]] void fail(std::string_view what) const;

    std::filesystem::path path_;
    std::vector<std::byte> bytes_;
    ElfIdentity identity_;
};

}  // namespace hostsim
