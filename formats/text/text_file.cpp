// Reading whole files and blocks of lines, on every platform; the files themselves are opened,
// measured and replaced by text_file_posix.cpp or text_file_windows.cpp.
#include "formats/text/text_file.h"

#include <algorithm>
#include <cstring>

namespace formats {

namespace fs = std::filesystem;

fs::path utf8Path(std::string_view name) {
    return fs::path(std::u8string(name.begin(), name.end()));
}

namespace {

// Refuses text that holds a NUL byte; `offset` is where `bytes` starts in the file.
void checkText(const fs::path &path, std::string_view bytes, std::uint64_t offset) {
    if (const std::size_t nul = bytes.find('\0'); nul != std::string_view::npos)
        throw HostError::at(path,
                            "not a text file: a NUL byte at byte " + std::to_string(offset + nul));
}

}  // namespace

std::string readTextFile(const fs::path &path, Content content, const SizeCheck &checkSize) {
    InputFile in(path);
    if (checkSize) checkSize(in.size());
    // Straight into the string a block at a time, with room for the file's whole size made first
    // (a file that grows meanwhile is read on in blocks); a string stream would copy a large file
    // several times over.
    std::string text;
    if (in.size() >= text.max_size())
        throw HostError::at(
            path, std::to_string(in.size()) + " bytes, more than this build can hold in memory");
    text.reserve(static_cast<std::size_t>(in.size()) + 1);
    constexpr std::size_t block = std::size_t{1} << 20;
    for (;;) {
        const std::size_t had = text.size();
        const std::size_t room = text.capacity() - had;  // read within the room there is, if any
        const std::size_t want = room == 0 ? block : std::min(room, block);
        text.resize(had + want);
        const std::size_t got = in.read(text.data() + had, want);
        text.resize(had + got);
        if (content == Content::Text) checkText(path, std::string_view(text).substr(had), had);
        if (got == 0) break;
    }
    return text;
}

void readLineBlocks(const fs::path &path, const std::function<void(std::string_view lines)> &take,
                    const SizeCheck &checkSize) {
    InputFile in(path);
    if (checkSize) checkSize(in.size());
    std::string block(std::size_t{1} << 20, '\0');
    std::size_t carried = 0;   // the start of a line that the block before ended in
    std::uint64_t offset = 0;  // of the block's first byte in the file
    for (;;) {
        if (carried == block.size()) {  // a line longer than the block
            if (block.size() >= maxLineBytes)
                throw HostError::at(path, "a line longer than " + std::to_string(maxLineBytes) +
                                              " bytes at byte " + std::to_string(offset) +
                                              "; not a text file of lines");
            block.resize(2 * block.size());
        }
        const std::size_t got = in.read(block.data() + carried, block.size() - carried);
        if (got == 0) break;
        checkText(path, std::string_view(block.data() + carried, got), offset + carried);
        const std::string_view filled(block.data(), carried + got);
        // A '\r' at the very end may be the first half of "\r\n": it waits for the next block.
        std::size_t lineEnd = filled.find_last_of("\r\n");
        if (lineEnd == filled.size() - 1 && filled.back() == '\r')
            lineEnd =
                lineEnd == 0 ? std::string_view::npos : filled.find_last_of("\r\n", lineEnd - 1);
        if (lineEnd == std::string_view::npos) {
            carried = filled.size();
            continue;
        }
        take(filled.substr(0, lineEnd + 1));
        carried = filled.size() - (lineEnd + 1);
        offset += lineEnd + 1;
        std::memmove(block.data(), block.data() + lineEnd + 1, carried);
    }
    if (carried > 0) take(std::string_view(block.data(), carried));
}

void replaceFile(const fs::path &path, std::string_view contents, Durability durability) {
    replaceFileWith(
        path, [contents](const TextSink &sink) { sink(contents); }, durability);
}

}  // namespace formats
