// Reads ELF headers and sections from the bytes of a file, checking every offset first.
#include "hostsim/elf_image.h"

#include "hostsim/host_error.h"
#include "hostsim/module_file.h"

#include <elf.h>

#include <cstring>
#include <utility>

namespace hostsim {
namespace {

template <typename T>
T readAt(std::span<const std::byte> bytes, std::uint64_t offset) {
    T value{};
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

// True when [offset, offset + size) lies inside a buffer of `total` bytes.
bool fits(std::uint64_t offset, std::uint64_t size, std::uint64_t total) {
    return offset <= total && size <= total - offset;
}

}  // namespace

std::string machineName(std::uint16_t machine) {
    switch (machine) {
        case EM_386:
            return "i386";
        case EM_X86_64:
            return "x86-64";
        case EM_ARM:
            return "ARM";
        case EM_AARCH64:
            return "AArch64";
        case EM_RISCV:
            return "RISC-V";
        default:
            return "machine " + std::to_string(machine);
    }
}

std::string ElfIdentity::describe() const {
    return "ELF" + std::to_string(bits) + " " + machineName(machine);
}

ElfIdentity ElfIdentity::ofThisHost() {
#if defined(__x86_64__)
    return {64, ET_DYN, EM_X86_64};
#elif defined(__i386__)
    return {32, ET_DYN, EM_386};
#else
#error "the stand-in host knows the shared objects of x86-64 and i386 only"
#endif
}

ElfImage::ElfImage(std::filesystem::path path, std::vector<std::byte> bytes)
    : path_(std::move(path)), bytes_(std::move(bytes)) {
    const std::span<const std::byte> all(bytes_);
    if (all.size() < EI_NIDENT || std::memcmp(all.data(), ELFMAG, SELFMAG) != 0)
        fail("not an ELF shared object (no ELF header)");
    const auto elfClass = static_cast<unsigned char>(all[EI_CLASS]);
    if (elfClass != ELFCLASS32 && elfClass != ELFCLASS64)
        fail("not an ELF shared object (unknown ELF class)");
    if (static_cast<unsigned char>(all[EI_DATA]) != ELFDATA2LSB)
        fail("not a little-endian ELF file");
    identity_.bits = elfClass == ELFCLASS32 ? 32 : 64;
    const std::size_t headerSize = identity_.bits == 32 ? sizeof(Elf32_Ehdr) : sizeof(Elf64_Ehdr);
    if (all.size() < headerSize) fail("truncated ELF header");
    // e_type and e_machine sit at the same place in both classes.
    identity_.type = readAt<std::uint16_t>(all, offsetof(Elf64_Ehdr, e_type));
    identity_.machine = readAt<std::uint16_t>(all, offsetof(Elf64_Ehdr, e_machine));
}

ElfImage ElfImage::read(const std::filesystem::path &path) {
    return ElfImage(path, readModuleFile(path, "an ELF shared object"));
}

void ElfImage::fail(std::string_view what) const { throw HostError::at(path_, what); }

ElfImage::SectionHeader ElfImage::sectionHeader(std::uint64_t index) const {
    const std::span<const std::byte> all(bytes_);
    const bool wide = identity_.bits == 64;
    const std::uint64_t tableOffset =
        wide ? readAt<Elf64_Ehdr>(all, 0).e_shoff : readAt<Elf32_Ehdr>(all, 0).e_shoff;
    const std::uint64_t entrySize =
        wide ? readAt<Elf64_Ehdr>(all, 0).e_shentsize : readAt<Elf32_Ehdr>(all, 0).e_shentsize;
    const std::uint64_t needed = wide ? sizeof(Elf64_Shdr) : sizeof(Elf32_Shdr);
    if (entrySize < needed)
        fail("malformed ELF section header table (entry size " + std::to_string(entrySize) + ")");
    if (index > all.size() / entrySize || !fits(tableOffset, index * entrySize, all.size()) ||
        !fits(tableOffset + index * entrySize, needed, all.size()))
        fail("ELF section header " + std::to_string(index) + " lies outside the file");
    const std::uint64_t at = tableOffset + index * entrySize;
    if (wide) {
        const auto h = readAt<Elf64_Shdr>(all, at);
        return {h.sh_name, h.sh_type, h.sh_offset, h.sh_size, h.sh_link};
    }
    const auto h = readAt<Elf32_Shdr>(all, at);
    return {h.sh_name, h.sh_type, h.sh_offset, h.sh_size, h.sh_link};
}

std::span<const std::byte> ElfImage::sectionBytes(const SectionHeader &header,
                                                  std::string_view what) const {
    if (header.type == SHT_NOBITS) fail(std::string(what) + " has no contents in the file");
    if (!fits(header.offset, header.size, bytes_.size()))
        fail(std::string(what) + " lies outside the file");
    return std::span<const std::byte>(bytes_).subspan(static_cast<std::size_t>(header.offset),
                                                      static_cast<std::size_t>(header.size));
}

std::optional<std::span<const std::byte>> ElfImage::section(std::string_view name) const {
    const std::span<const std::byte> all(bytes_);
    const bool wide = identity_.bits == 64;
    std::uint64_t tableOffset = 0;
    std::uint64_t count = 0;
    std::uint64_t namesIndex = 0;
    if (wide) {
        const auto h = readAt<Elf64_Ehdr>(all, 0);
        tableOffset = h.e_shoff, count = h.e_shnum, namesIndex = h.e_shstrndx;
    } else {
        const auto h = readAt<Elf32_Ehdr>(all, 0);
        tableOffset = h.e_shoff, count = h.e_shnum, namesIndex = h.e_shstrndx;
    }
    if (tableOffset == 0) return std::nullopt;
    // Extended numbering: a count of 0 or an index of SHN_XINDEX live in section header 0.
    if (count == 0) count = sectionHeader(0).size;
    if (namesIndex == SHN_XINDEX) namesIndex = sectionHeader(0).link;
    if (namesIndex == SHN_UNDEF) return std::nullopt;
    if (namesIndex >= count) fail("malformed ELF header (section name table index out of range)");

    const auto names = sectionBytes(sectionHeader(namesIndex), "the ELF section name table");
    for (std::uint64_t i = 0; i < count; ++i) {
        const SectionHeader header = sectionHeader(i);
        if (header.name >= names.size())
            fail("ELF section " + std::to_string(i) + " has a name outside the name table");
        const auto rest = names.subspan(header.name);
        const auto *text = reinterpret_cast<const char *>(rest.data());
        const void *end = std::memchr(text, 0, rest.size());
        if (end == nullptr) fail("ELF section " + std::to_string(i) + " has an unterminated name");
        if (std::string_view(text, static_cast<const char *>(end)) == name)
            return sectionBytes(header, "section " + std::string(name));
    }
    return std::nullopt;
}

}  // namespace hostsim
