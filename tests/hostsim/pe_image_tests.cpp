// The PE reader on DLL images made here byte by byte: the file's kind and machine, and the version
// resource's texts; damaged headers and resources are refused with a line naming the file.
#include <gtest/gtest.h>

#include "hostsim/host_error.h"
#include "hostsim/pe_image.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace {

using hostsim::PeImage;
using Bytes = std::vector<std::byte>;

void put16(Bytes &b, std::size_t at, std::uint32_t v) {
    if (b.size() < at + 2) b.resize(at + 2);
    b[at] = std::byte(v & 0xFF), b[at + 1] = std::byte(v >> 8 & 0xFF);
}
void put32(Bytes &b, std::size_t at, std::uint32_t v) {
    put16(b, at, v & 0xFFFF), put16(b, at + 2, v >> 16);
}
void align4(Bytes &b) { b.resize((b.size() + 3) & ~std::size_t{3}); }

// A version resource node: its key, a UTF-16 text value (or none) and its children.
Bytes versionNode(const std::string &key, const std::string *text,
                  const std::vector<Bytes> &children) {
    Bytes node(6);
    for (const char c : key) put16(node, node.size(), static_cast<unsigned char>(c));
    put16(node, node.size(), 0);
    align4(node);
    if (text) {
        for (const char c : *text) put16(node, node.size(), static_cast<unsigned char>(c));
        put16(node, node.size(), 0);
        put16(node, 2, static_cast<std::uint32_t>(text->size() + 1));
        put16(node, 4, 1);
    }
    for (const Bytes &child : children) {
        align4(node);
        node.insert(node.end(), child.begin(), child.end());
    }
    put16(node, 0, static_cast<std::uint32_t>(node.size()));
    return node;
}

Bytes versionBlock(const std::vector<std::pair<std::string, std::string>> &texts) {
    std::vector<Bytes> strings;
    for (const auto &[key, value] : texts) strings.push_back(versionNode(key, &value, {}));
    const Bytes table = versionNode("040904B0", nullptr, strings);
    return versionNode("VS_VERSION_INFO", nullptr,
                       {versionNode("StringFileInfo", nullptr, {table})});
}

// A PE32+ DLL for x86-64 whose one section, at address 0x1000, holds a resource tree with
// `version`.
Bytes dllImage(const Bytes &version, std::uint16_t machine = PeImage::machineAmd64) {
    Bytes file(0x200);
    put16(file, 0, 0x5A4D);
    put32(file, 0x3C, 0x80);
    put32(file, 0x80, 0x00004550);
    put16(file, 0x84, machine);
    put16(file, 0x86, 1);       // one section
    put16(file, 0x94, 240);     // optional header size
    put16(file, 0x96, 0x2022);  // a DLL
    const std::size_t optional = 0x98;
    put16(file, optional, 0x20b);
    put32(file, optional + 108, 16);
    // The resource tree: type 16 -> name 1 -> language 0x409 -> data entry -> the version block.
    Bytes tree(0x60);
    put16(tree, 0x0E, 1), put32(tree, 0x10, 16), put32(tree, 0x14, 0x80000018);
    put16(tree, 0x18 + 0x0E, 1), put32(tree, 0x28, 1), put32(tree, 0x2C, 0x80000030);
    put16(tree, 0x30 + 0x0E, 1), put32(tree, 0x40, 0x409), put32(tree, 0x44, 0x48);
    put32(tree, 0x48, 0x1000 + 0x60), put32(tree, 0x4C, static_cast<std::uint32_t>(version.size()));
    tree.insert(tree.end(), version.begin(), version.end());
    put32(file, optional + 112 + 16, 0x1000);
    put32(file, optional + 112 + 20, static_cast<std::uint32_t>(tree.size()));
    const std::size_t section = optional + 240;
    for (std::size_t i = 0; i < 5; ++i) file[section + i] = std::byte(".rsrc"[i]);
    put32(file, section + 8, static_cast<std::uint32_t>(tree.size()));
    put32(file, section + 12, 0x1000);
    put32(file, section + 16, static_cast<std::uint32_t>(tree.size()));
    put32(file, section + 20, 0x200);
    put32(file, section + 36, PeImage::sectionReadable);
    file.insert(file.end(), tree.begin(), tree.end());
    return file;
}

const std::vector<std::pair<std::string, std::string>> sixTexts = {
    {"FileVersion", "1.0.1.71"},  {"ProductVersion", "1.0.0.1"}, {"FileDescription", "Vistrelle"},
    {"ProductName", "Vistrelle"}, {"InternalName", "vistrel"},   {"OriginalFilename", "vistrel.p"}};

std::string refusal(Bytes bytes) {
    try {
        PeImage::parse(std::move(bytes), "made.dll").versionTexts();
    } catch (const hostsim::HostError &error) {
        return error.what();
    }
    return "";
}

TEST(PeIdentity, MachineWordSizeAndKindAreRead) {
    const PeImage image = PeImage::parse(dllImage(versionBlock(sixTexts)), "made.dll");
    EXPECT_EQ(image.describe(), "PE32+ x86-64 DLL");
    ASSERT_EQ(image.sections().size(), 1u);
    EXPECT_EQ(image.sections()[0].name, ".rsrc");
    EXPECT_EQ(PeImage::parse(dllImage({}, 0xAA64), "arm.dll").describe(), "PE32+ ARM64 DLL");
}

TEST(PeVersionResource, TheSixTextsComeBackInOrder) {
    EXPECT_EQ(PeImage::parse(dllImage(versionBlock(sixTexts)), "made.dll").versionTexts(),
              sixTexts);
}

TEST(PeDamagedFiles, EveryCutOfTheFileIsRefusedWithItsName) {
    const Bytes whole = dllImage(versionBlock(sixTexts));
    for (std::size_t size = 0; size < whole.size(); size += 7) {
        const std::string why =
            refusal(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size)));
        EXPECT_TRUE(why.starts_with("made.dll: ")) << size << " bytes: " << why;
    }
}

TEST(PeDamagedFiles, ANodeLongerThanItsBlockIsRefused) {
    Bytes version = versionBlock(sixTexts);
    put16(version, 0, 0xFFFF);
    EXPECT_EQ(refusal(dllImage(version)), "made.dll: malformed version resource (a node's length)");
    Bytes inner = versionBlock(sixTexts);
    put16(inner, 40, 0xFFF0);  // the StringFileInfo node
    EXPECT_NE(refusal(dllImage(inner)).find("malformed version resource"), std::string::npos);
}

TEST(PeDamagedFiles, NoResourcesAndNotPeAreSaidSo) {
    Bytes bare = dllImage(versionBlock(sixTexts));
    put32(bare, 0x98 + 112 + 16, 0);
    EXPECT_EQ(refusal(bare), "made.dll: no version resource (the file has no resources)");
    EXPECT_EQ(refusal(Bytes(64, std::byte{0x7f})), "made.dll: not a DLL (no MZ header)");
}

}  // namespace
