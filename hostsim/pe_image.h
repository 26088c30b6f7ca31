// A PE file (a Windows DLL or program) read from disk without loading it: its machine, whether it
// is a DLL, its sections, and the texts of its version resource. Every offset is checked against
// the file, so a truncated or garbage file gives a HostError, never a read out of bounds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace hostsim {

struct PeSection {
    std::string name;              // at most 8 characters: PE images keep no longer names
    std::uint32_t address = 0;     // relative to the image's base
    std::uint32_t memorySize = 0;  // its size in memory
    std::uint32_t fileOffset = 0;
    std::uint32_t fileSize = 0;
    std::uint32_t characteristics = 0;
};

class PeImage {
  public:
    static constexpr std::uint16_t machineI386 = 0x14c;
    static constexpr std::uint16_t machineAmd64 = 0x8664;
    static constexpr std::uint32_t sectionExecutable = 0x20000000;
    static constexpr std::uint32_t sectionReadable = 0x40000000;

    // Reads the whole file. Throws HostError when it is missing, unreadable or not a PE file.
    static PeImage read(const std::filesystem::path &path);
    // The same checks on bytes already read; `path` names them in messages.
    static PeImage parse(std::vector<std::byte> bytes, const std::filesystem::path &path);

    std::uint16_t machine() const { return machine_; }
    bool isDll() const { return dll_; }
    int bits() const { return bits_; }  // 32 for PE32, 64 for PE32+
    const std::vector<PeSection> &sections() const { return sections_; }
    // "PE32+ x86-64 DLL", "PE32 i386 program"
    std::string describe() const;

    // The key-value texts of the version resource's first string table, in file order. Throws
    // HostError when the file has no version resource or it is malformed.
    std::vector<std::pair<std::string, std::string>> versionTexts() const;

  private:
    PeImage(std::filesystem::path path, std::vector<std::byte> bytes);

    // The file bytes at the address `rva` of the image, `size` of them; throws when outside a
    // section.
    std::span<const std::byte> atAddress(std::uint64_t rva, std::uint64_t size,
                                         std::string_view what) const;
    [[noreturn]] void fail(std::string_view what) const;

    std::filesystem::path path_;
    std::vector<std::byte> bytes_;
    std::uint16_t machine_ = 0;
    bool dll_ = false;
    int bits_ = 0;
    std::uint32_t resourceAddress_ = 0;
    std::uint32_t resourceSize_ = 0;
    std::vector<PeSection> sections_;
};

// "i386", "x86-64", or "machine 0x1c4" for one this host does not name.
std::string peMachineName(std::uint16_t machine);

}  // namespace hostsim
