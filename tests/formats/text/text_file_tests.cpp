// Reading whole files: every byte, whatever the size against the reading block; nothing but
// regular files, and no text with a NUL byte. Writing large files in pieces: every byte, no space
// kept.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <string>
#include <vector>

#include "formats/text/text_file.h"
#include "hostsim/host_error.h"
#include "testkit/scratch_folder.h"

namespace {

using testkit::ScratchFolder;

// `size` bytes going through every byte value, so that a lost or repeated block shows.
std::string bytesOf(std::size_t size) {
    std::string text(size, '\0');
    for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
    return text;
}

TEST(TextFileReading, FilesOfEverySizeAroundTheBlockComeBackWhole) {
    const ScratchFolder folder;
    const std::size_t block = std::size_t{1} << 20;
    for (const std::size_t size :
         {std::size_t{0}, std::size_t{1}, block - 1, block, block + 1, 2 * block + 3}) {
        const std::string text = bytesOf(size);
        const auto path = folder.write("f" + std::to_string(size), text);
        EXPECT_EQ(formats::readTextFile(path, formats::Content::Bytes), text) << size << " bytes";
    }
}

// The refusal of reading `path` whole, or in blocks of lines; empty when it was read.
std::string refusalOf(const std::filesystem::path &path, bool inLines = false) {
    try {
        if (inLines)
            formats::readLineBlocks(path, [](std::string_view) {});
        else
            formats::readTextFile(path);
        return "";
    } catch (const hostsim::HostError &e) {
        return e.what();
    }
}

TEST(TextFileReading, AFifoADeviceOrAFolderIsRefusedAtOnceNamingIt) {
    // Nothing is read from them, and a FIFO without a writer does not block.
    const ScratchFolder folder;
    const auto fifo = folder / "fifo.obj";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto zero = folder / "zero.obj";
    std::filesystem::create_symlink("/dev/zero", zero);
    const auto inside = folder / "folder.obj";
    std::filesystem::create_directory(inside);
    for (const bool inLines : {false, true}) {
        EXPECT_EQ(refusalOf(fifo, inLines),
                  fifo.string() + ": is a FIFO, not a regular file; it is not read");
        EXPECT_EQ(refusalOf(zero, inLines),
                  zero.string() + ": is a character device, not a regular file; it is not read");
        EXPECT_EQ(refusalOf(inside, inLines),
                  inside.string() + ": is a folder, not a regular file; it is not read");
    }
}

TEST(TextFileReading, TextWithANulByteAndAnOversizedFileAreRefusedBeforeTheyAreRead) {
    const ScratchFolder folder;
    const auto sparse = folder / "sparse.obj";
    {
        // A large sparse file: all NUL bytes, read no further than its first block.
        const int fd = ::open(sparse.c_str(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, off_t{1} << 30), 0);
        ::close(fd);
    }
    for (const bool inLines : {false, true})
        EXPECT_EQ(refusalOf(sparse, inLines),
                  sparse.string() + ": not a text file: a NUL byte at byte 0");
    const auto late = folder.write("late.json", "{\n" + std::string(3 << 20, ' ') + '\0' + "}");
    EXPECT_EQ(refusalOf(late, true), late.string() + ": not a text file: a NUL byte at byte " +
                                         std::to_string(2 + (3 << 20)));

    // The size is checked before anything is allocated or read.
    std::uint64_t seen = 0;
    try {
        formats::readTextFile(sparse, formats::Content::Bytes, [&](std::uint64_t size) {
            seen = size;
            throw hostsim::HostError("too large");
        });
        FAIL() << "no refusal";
    } catch (const hostsim::HostError &e) {
        EXPECT_STREQ(e.what(), "too large");
    }
    EXPECT_EQ(seen, std::uint64_t{1} << 30);
}

TEST(TextFileReading, AMissingFileIsNamed) {
    const ScratchFolder folder;
    try {
        formats::readTextFile(folder / "missing.obj");
        FAIL() << "no error";
    } catch (const hostsim::HostError &e) {
        EXPECT_NE(std::string(e.what()).find("missing.obj"), std::string::npos) << e.what();
    }
}

// Lines of every length up to `longest`, so that block ends fall inside lines and between them.
std::string linesUpTo(std::size_t bytes, std::size_t longest) {
    std::string text;
    for (std::size_t i = 0; text.size() < bytes; ++i) {
        text.append((i * 7919) % longest, static_cast<char>('a' + i % 26));
        text += '\n';
    }
    return text;
}

// The blocks readLineBlocks hands over, in order.
std::vector<std::string> blocksOf(const std::filesystem::path &path) {
    std::vector<std::string> blocks;
    formats::readLineBlocks(path, [&](std::string_view lines) { blocks.emplace_back(lines); });
    return blocks;
}

TEST(LineBlockReading, BlocksAreWholeLinesThatJoinToTheFile) {
    const ScratchFolder folder;
    const std::size_t block = std::size_t{1} << 20;
    const std::string longLine = std::string(3 * block + 5, 'x') + "\n";
    const std::vector<std::string> texts = {linesUpTo(3 * block, 200), "a\nb", "no line end",
                                            longLine + "v 1 2 3\n" + longLine, "\n\n"};
    for (const std::string &text : texts) {
        const auto path = folder.write("lines", text);
        const std::vector<std::string> blocks = blocksOf(path);
        std::string joined;
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            EXPECT_FALSE(blocks[i].empty());
            if (i + 1 < blocks.size()) {
                EXPECT_EQ(blocks[i].back(), '\n') << "block " << i << " of " << blocks.size();
            }
            joined += blocks[i];
        }
        EXPECT_EQ(joined, text) << text.size() << " bytes";
        if (text.size() > 2 * block) {
            EXPECT_GT(blocks.size(), 1u) << "a large file comes in blocks";
        }
    }
}

TEST(LineBlockReading, CarriageReturnsEndLinesAndAPairIsNeverSplitBetweenBlocks) {
    const ScratchFolder folder;
    const std::size_t block = std::size_t{1} << 20;
    // A "\r\n" pair that straddles the first block's end, then lines ended by "\r" alone.
    std::string text = std::string(block - 1, 'a') + "\r\n";
    for (int i = 0; text.size() < 3 * block; ++i) text += "v 1 2 3\r";
    const std::vector<std::string> blocks = blocksOf(folder.write("cr.obj", text));
    ASSERT_GT(blocks.size(), 1u);
    std::string joined;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        if (i > 0) {
            EXPECT_NE(blocks[i].front(), '\n') << "block " << i;
        }
        joined += blocks[i];
    }
    EXPECT_EQ(joined, text);
}

TEST(LineBlockReading, ALineLongerThanTheLongestIsRefused) {
    const ScratchFolder folder;
    const auto path =
        folder.write("long.obj", "v 0 0 0\n" + std::string(formats::maxLineBytes + 1, 'x'));
    EXPECT_EQ(refusalOf(path, true), path.string() + ": a line longer than " +
                                         std::to_string(formats::maxLineBytes) +
                                         " bytes at byte 8; not a text file of lines");
}

TEST(LineBlockReading, AnEmptyFileHandsNothingAndAMissingOneIsNamed) {
    const ScratchFolder folder;
    EXPECT_TRUE(blocksOf(folder.write("empty", "")).empty());
    try {
        blocksOf(folder / "missing.obj");
        FAIL() << "no error";
    } catch (const hostsim::HostError &e) {
        EXPECT_EQ(std::string(e.what()),
                  (folder / "missing.obj").string() + ": cannot read: No such file or directory");
    }
}

TEST(LargeFileWriting, PiecesOfAnySizeComeBackWholeAndNoSpaceIsKeptPastTheEnd) {
    // Blocks are reserved ahead of a large file's writes; what was not used must be given back.
    const ScratchFolder folder;
    const std::string text = bytesOf((std::size_t{5} << 20) + 123);
    const auto path = folder / "large.obj";
    for (const std::size_t piece :
         {std::size_t{128} << 10, std::size_t{7} << 20, std::size_t{1000}}) {
        formats::replaceFileWith(path, [&](const formats::TextSink &sink) {
            for (std::size_t at = 0; at < text.size(); at += piece)
                sink(std::string_view(text).substr(at, piece));
        });
        EXPECT_EQ(formats::readTextFile(path, formats::Content::Bytes), text)
            << piece << "-byte pieces";
        struct stat written {};
        ASSERT_EQ(::stat(path.c_str(), &written), 0);
        EXPECT_LT(static_cast<std::size_t>(written.st_blocks) * 512,
                  text.size() + (std::size_t{64} << 10))
            << piece << "-byte pieces";
    }
}

}  // namespace
