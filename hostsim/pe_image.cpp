// Reads PE headers, sections and the version resource from the bytes of a file, checking every
// offset first. Offsets are added in 64 bits, so no sum wraps on a 32-bit build.
#include "hostsim/pe_image.h"

#include "hostsim/hex_text.h"
#include "hostsim/host_error.h"
#include "hostsim/module_file.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace hostsim {
namespace {

constexpr std::uint16_t imageFileDll = 0x2000;
constexpr std::uint32_t resourceVersion = 16;
constexpr std::size_t resourceDirectoryIndex = 2;

bool fits(std::uint64_t offset, std::uint64_t size, std::uint64_t total) {
    return offset <= total && size <= total - offset;
}

// Little-endian reads from a span that the caller has checked holds them.
std::uint16_t u16(std::span<const std::byte> bytes, std::uint64_t at) {
    return static_cast<std::uint16_t>(std::to_integer<unsigned>(bytes[at]) |
                                      std::to_integer<unsigned>(bytes[at + 1]) << 8);
}
std::uint32_t u32(std::span<const std::byte> bytes, std::uint64_t at) {
    return static_cast<std::uint32_t>(u16(bytes, at)) |
           static_cast<std::uint32_t>(u16(bytes, at + 2)) << 16;
}

void appendUtf8(std::string &text, std::uint32_t code) {
    if (code < 0x80) {
        text += static_cast<char>(code);
    } else if (code < 0x800) {
        text += static_cast<char>(0xC0 | code >> 6);
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        text += static_cast<char>(0xE0 | code >> 12);
        text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | code >> 18);
        text += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// A UTF-16 text of `words` code units at `at`, up to its first zero, as UTF-8. A lone surrogate
// becomes U+FFFD.
std::string utf8Of(std::span<const std::byte> bytes, std::uint64_t at, std::uint64_t words) {
    std::string text;
    for (std::uint64_t i = 0; i < words; ++i) {
        const std::uint32_t unit = u16(bytes, at + 2 * i);
        if (unit == 0) break;
        if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < words) {
            const std::uint32_t low = u16(bytes, at + 2 * (i + 1));
            if (low >= 0xDC00 && low < 0xE000) {
                appendUtf8(text, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        appendUtf8(text, unit >= 0xD800 && unit < 0xE000 ? 0xFFFD : unit);
    }
    return text;
}

// One node of a version resource: its key, its value's place and its children's place.
struct VersionNode {
    std::string key;
    std::uint64_t valueAt = 0;
    std::uint64_t valueWords = 0;  // for a text value
    std::uint64_t childrenAt = 0;
    std::uint64_t end = 0;
};

std::uint64_t alignedTo4(std::uint64_t at) { return (at + 3) & ~std::uint64_t{3}; }

}  // namespace

std::string peMachineName(std::uint16_t machine) {
    switch (machine) {
        case PeImage::machineI386:
            return "i386";
        case PeImage::machineAmd64:
            return "x86-64";
        case 0xAA64:
            return "ARM64";
        default:
            return "machine " + hexText(machine, 4);
    }
}

std::string PeImage::describe() const {
    return std::string(bits_ == 64 ? "PE32+ " : "PE32 ") + peMachineName(machine_) +
           (dll_ ? " DLL" : " program");
}

PeImage PeImage::read(const std::filesystem::path &path) {
    return PeImage(path, readModuleFile(path, "a DLL"));
}

PeImage PeImage::parse(std::vector<std::byte> bytes, const std::filesystem::path &path) {
    return PeImage(path, std::move(bytes));
}

void PeImage::fail(std::string_view what) const { throw HostError::at(path_, what); }

PeImage::PeImage(std::filesystem::path path, std::vector<std::byte> bytes)
    : path_(std::move(path)), bytes_(std::move(bytes)) {
    const std::span<const std::byte> all(bytes_);
    if (all.size() < 0x40 || u16(all, 0) != 0x5A4D) fail("not a DLL (no MZ header)");
    const std::uint64_t pe = u32(all, 0x3C);
    if (!fits(pe, 24, all.size()) || u32(all, pe) != 0x00004550) fail("not a DLL (no PE header)");
    machine_ = u16(all, pe + 4);
    const std::uint64_t sectionCount = u16(all, pe + 6);
    const std::uint64_t optionalSize = u16(all, pe + 20);
    dll_ = (u16(all, pe + 22) & imageFileDll) != 0;
    const std::uint64_t optional = pe + 24;
    if (optionalSize < 2 || !fits(optional, optionalSize, all.size()))
        fail("truncated PE optional header");
    const std::uint16_t magic = u16(all, optional);
    if (magic != 0x10b && magic != 0x20b)
        fail("malformed PE optional header (magic " + hexText(magic, 4) + ")");
    bits_ = magic == 0x20b ? 64 : 32;
    const std::uint64_t countAt = bits_ == 64 ? 108 : 92;
    if (optionalSize >= countAt + 4) {
        const std::uint64_t directories = u32(all, optional + countAt);
        const std::uint64_t resourceAt = countAt + 4 + 8 * resourceDirectoryIndex;
        if (directories > resourceDirectoryIndex && optionalSize >= resourceAt + 8) {
            resourceAddress_ = u32(all, optional + resourceAt);
            resourceSize_ = u32(all, optional + resourceAt + 4);
        }
    }
    const std::uint64_t table = optional + optionalSize;
    if (!fits(table, sectionCount * 40, all.size()))
        fail("the PE section table lies outside the file");
    for (std::uint64_t i = 0; i < sectionCount; ++i) {
        const std::uint64_t at = table + 40 * i;
        const auto *name = reinterpret_cast<const char *>(all.data() + at);
        PeSection section;
        section.name.assign(name, std::find(name, name + 8, '\0'));
        section.memorySize = u32(all, at + 8);
        section.address = u32(all, at + 12);
        section.fileSize = u32(all, at + 16);
        section.fileOffset = u32(all, at + 20);
        section.characteristics = u32(all, at + 36);
        sections_.push_back(std::move(section));
    }
}

std::span<const std::byte> PeImage::atAddress(std::uint64_t rva, std::uint64_t size,
                                              std::string_view what) const {
    for (const PeSection &section : sections_) {
        if (rva < section.address || !fits(rva - section.address, size, section.fileSize)) continue;
        const std::uint64_t offset = std::uint64_t{section.fileOffset} + (rva - section.address);
        if (!fits(offset, size, bytes_.size())) break;
        return std::span<const std::byte>(bytes_).subspan(static_cast<std::size_t>(offset),
                                                          static_cast<std::size_t>(size));
    }
    fail(std::string(what) + " lies outside the file's sections");
}

std::vector<std::pair<std::string, std::string>> PeImage::versionTexts() const {
    if (resourceAddress_ == 0 || resourceSize_ == 0)
        fail("no version resource (the file has no resources)");
    const std::span<const std::byte> tree =
        atAddress(resourceAddress_, resourceSize_, "the resource directory");
    // The first entry of a resource directory at `at` whose id is `id` (any id when nullopt);
    // answers the entry's target offset and whether it is a further directory.
    const auto entry =
        [&](std::uint64_t at,
            std::optional<std::uint32_t> id) -> std::optional<std::pair<std::uint64_t, bool>> {
        if (!fits(at, 16, tree.size())) fail("malformed resource directory");
        const std::uint64_t named = u16(tree, at + 12);
        const std::uint64_t count = named + u16(tree, at + 14);
        if (!fits(at + 16, 8 * count, tree.size()))
            fail("malformed resource directory (entries outside it)");
        for (std::uint64_t i = 0; i < count; ++i) {
            const std::uint32_t name = u32(tree, at + 16 + 8 * i);
            const std::uint32_t target = u32(tree, at + 20 + 8 * i);
            if (id && ((name & 0x80000000u) != 0 || name != *id)) continue;
            return std::pair{std::uint64_t{target & 0x7FFFFFFFu}, (target & 0x80000000u) != 0};
        }
        return std::nullopt;
    };
    const auto type = entry(0, resourceVersion);
    if (!type || !type->second) fail("no version resource");
    const auto name = entry(type->first, std::nullopt);
    if (!name || !name->second) fail("malformed version resource directory");
    const auto language = entry(name->first, std::nullopt);
    if (!language || language->second || !fits(language->first, 16, tree.size()))
        fail("malformed version resource directory");
    const std::span<const std::byte> block = atAddress(
        u32(tree, language->first), u32(tree, language->first + 4), "the version resource");

    // A node at `at` that must end by `limit`: wLength, wValueLength, wType, key, value, children.
    const auto node = [&](std::uint64_t at, std::uint64_t limit) {
        if (!fits(at, 6, limit)) fail("malformed version resource (a node is cut short)");
        const std::uint64_t length = u16(block, at);
        const std::uint64_t valueLength = u16(block, at + 2);
        const bool text = u16(block, at + 4) == 1;
        if (length < 6 || !fits(at, length, limit))
            fail("malformed version resource (a node's length)");
        VersionNode found;
        found.end = at + length;
        std::uint64_t keyEnd = at + 6;
        while (true) {
            if (!fits(keyEnd, 2, found.end)) fail("malformed version resource (a key has no end)");
            if (u16(block, keyEnd) == 0) break;
            keyEnd += 2;
        }
        found.key = utf8Of(block, at + 6, (keyEnd - at - 6) / 2);
        found.valueAt = alignedTo4(keyEnd + 2);
        const std::uint64_t valueBytes = text ? 2 * valueLength : valueLength;
        if (!fits(found.valueAt, valueBytes, found.end)) {
            if (valueBytes != 0)
                fail("malformed version resource (the value of " + found.key + ")");
            found.valueAt = found.end;
        }
        found.valueWords = text ? valueLength : 0;
        found.childrenAt = std::min(alignedTo4(found.valueAt + valueBytes), found.end);
        return found;
    };
    const VersionNode root = node(0, block.size());
    if (root.key != "VS_VERSION_INFO") fail("malformed version resource (no VS_VERSION_INFO)");
    for (std::uint64_t at = root.childrenAt; at < root.end; at = alignedTo4(at)) {
        const VersionNode child = node(at, root.end);
        at = child.end;
        if (child.key != "StringFileInfo") continue;
        if (child.childrenAt >= child.end) break;
        const VersionNode table = node(child.childrenAt, child.end);
        std::vector<std::pair<std::string, std::string>> texts;
        for (std::uint64_t s = table.childrenAt; s < table.end; s = alignedTo4(s)) {
            const VersionNode value = node(s, table.end);
            s = value.end;
            texts.emplace_back(value.key, utf8Of(block, value.valueAt, value.valueWords));
        }
        return texts;
    }
    fail("the version resource has no string table");
}

}  // namespace hostsim
