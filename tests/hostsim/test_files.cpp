// Scratch files and synthetic ELF images for the stand-in host's tests.
#include "tests/hostsim/test_files.h"
#include "testkit/scratch_folder.h"

#include "hostsim/host_error.h"
#include "hostsim/module_library.h"

#include <elf.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <stdexcept>

namespace hostsim_test {
namespace {

template <typename T>
void put(Bytes &bytes, std::size_t at, const T &value) {
    if (bytes.size() < at + sizeof value) bytes.resize(at + sizeof value);
    std::memcpy(bytes.data() + at, &value, sizeof value);
}

template <typename Ehdr, typename Shdr>
Bytes buildElf(unsigned char elfClass, std::uint16_t type, std::uint16_t machine,
               const std::vector<SyntheticSection> &sections) {
    Bytes names{std::byte{0}};
    auto addName = [&](const std::string &name) {
        const auto at = static_cast<std::uint32_t>(names.size());
        for (const char c : name) names.push_back(static_cast<std::byte>(c));
        names.push_back(std::byte{0});
        return at;
    };
    std::vector<Shdr> headers(2);
    headers[1].sh_name = addName(".shstrtab");
    headers[1].sh_type = SHT_STRTAB;
    for (const auto &section : sections) {
        Shdr header{};
        header.sh_name = addName(section.name);
        header.sh_type = SHT_PROGBITS;
        headers.push_back(header);
    }

    Bytes file(sizeof(Ehdr));
    headers[1].sh_offset = file.size();
    headers[1].sh_size = names.size();
    file.insert(file.end(), names.begin(), names.end());
    for (std::size_t i = 0; i < sections.size(); ++i) {
        headers[i + 2].sh_offset = file.size();
        headers[i + 2].sh_size = sections[i].contents.size();
        file.insert(file.end(), sections[i].contents.begin(), sections[i].contents.end());
    }
    file.resize((file.size() + 7) / 8 * 8);

    Ehdr header{};
    std::memcpy(header.e_ident, ELFMAG, SELFMAG);
    header.e_ident[EI_CLASS] = elfClass;
    header.e_ident[EI_DATA] = ELFDATA2LSB;
    header.e_ident[EI_VERSION] = EV_CURRENT;
    header.e_type = type;
    header.e_machine = machine;
    header.e_version = EV_CURRENT;
    header.e_ehsize = sizeof(Ehdr);
    header.e_shoff = file.size();
    header.e_shentsize = sizeof(Shdr);
    header.e_shnum = static_cast<std::uint16_t>(headers.size());
    header.e_shstrndx = 1;
    put(file, 0, header);
    for (const Shdr &h : headers) put(file, file.size(), h);
    return file;
}

}  // namespace

Bytes bytesOf(std::string_view text) {
    Bytes bytes;
    for (const char c : text) bytes.push_back(static_cast<std::byte>(c));
    return bytes;
}

Bytes readFile(const std::filesystem::path &path) { return bytesOf(testkit::fileText(path)); }

std::filesystem::path scratchFile(std::string_view name, const Bytes &contents) {
    // One folder for the whole test process, removed when it ends.
    static const testkit::ScratchFolder folder;
    return folder.write(
        name, std::string_view(reinterpret_cast<const char *>(contents.data()), contents.size()));
}

Bytes syntheticElf(int bits, std::uint16_t type, std::uint16_t machine,
                   const std::vector<SyntheticSection> &sections) {
    if (bits == 32) return buildElf<Elf32_Ehdr, Elf32_Shdr>(ELFCLASS32, type, machine, sections);
    return buildElf<Elf64_Ehdr, Elf64_Shdr>(ELFCLASS64, type, machine, sections);
}

std::string loadError(const std::filesystem::path &path) {
    try {
        hostsim::ModuleLibrary module(path);
    } catch (const hostsim::HostError &error) {
        return error.what();
    }
    ADD_FAILURE() << path << " loaded";
    return {};
}

}  // namespace hostsim_test
