// Reading the .glb header and chunk headers, little-endian, every length checked before it is used.
#include "formats/glb_container.h"

#include "hostsim/host_error.h"

namespace formats {

namespace {

constexpr std::uint32_t glbMagic = 0x46546C67;   // "glTF"
constexpr std::uint32_t jsonChunk = 0x4E4F534A;  // "JSON"
constexpr std::uint32_t binChunk = 0x004E4942;   // "BIN\0"

std::uint32_t word(std::span<const unsigned char> bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8 |
           std::uint32_t{bytes[at + 2]} << 16 | std::uint32_t{bytes[at + 3]} << 24;
}

}  // namespace

std::uint64_t glbLength(std::span<const unsigned char> header, std::uint64_t size,
                        const std::string &file) {
    const auto refuse = [&](const std::string &why) {
        throw hostsim::HostError(file + ": " + why);
    };
    if (header.size() < 12 || size < 12 || word(header, 0) != glbMagic)
        refuse("not a binary glTF file (expected the 12-byte header starting \"glTF\")");
    if (word(header, 4) != 2)
        refuse("binary glTF version " + std::to_string(word(header, 4)) + ", expected 2");
    const std::uint64_t length = word(header, 8);
    if (length > size)
        refuse("header length " + std::to_string(length) + " is more than the file's " +
               std::to_string(size) + " bytes");
    if (length < 20)
        refuse("header length " + std::to_string(length) + " leaves no room for the JSON chunk");
    return length;
}

GlbChunks splitGlb(std::span<const unsigned char> bytes, const std::string &file) {
    const auto refuse = [&](const std::string &why) {
        throw hostsim::HostError(file + ": " + why);
    };
    const std::uint64_t length = glbLength(bytes, bytes.size(), file);

    GlbChunks chunks;
    std::uint64_t at = 12;
    for (int chunk = 0; at < length; ++chunk) {
        if (length - at < 8)
            refuse("chunk " + std::to_string(chunk) +
                   ": its 8-byte header reaches past the header length " + std::to_string(length));
        const std::uint64_t chunkLength = word(bytes, static_cast<std::size_t>(at));
        const std::uint32_t type = word(bytes, static_cast<std::size_t>(at + 4));
        at += 8;
        if (chunkLength > length - at) {
            refuse("chunk " + std::to_string(chunk) + ": length " + std::to_string(chunkLength) +
                   " reaches past the header length " + std::to_string(length) + " (from byte " +
                   std::to_string(at) + ")");
        }
        const std::size_t begin = static_cast<std::size_t>(at);
        const std::size_t count = static_cast<std::size_t>(chunkLength);
        if (chunk == 0) {
            if (type != jsonChunk) refuse("the first chunk is not the JSON chunk");
            chunks.json =
                std::string_view(reinterpret_cast<const char *>(bytes.data()) + begin, count);
        } else if (chunk == 1 && type == binChunk) {
            chunks.binary = bytes.subspan(begin, count);
        } else if (type == jsonChunk || type == binChunk) {
            refuse("chunk " + std::to_string(chunk) + ": a second JSON or BIN chunk");
        }
        at += chunkLength;
    }
    return chunks;
}

}  // namespace formats
