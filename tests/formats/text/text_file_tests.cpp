// Reading whole files: every byte, whatever the size against the reading block, and from a stream
// whose size is not known beforehand. Writing large files in pieces: every byte, no space kept.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <string>
#include <thread>
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
        EXPECT_EQ(formats::readTextFile(path), text) << size << " bytes";
    }
}

TEST(TextFileReading, AFifoIsReadToItsEnd) {
    const ScratchFolder folder;
    const auto path = folder / "fifo";
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    const std::string text = bytesOf((std::size_t{3} << 20) / 2);
    std::thread writer([&] {
        const int fd = ::open(path.c_str(), O_WRONLY);
        for (std::size_t done = 0; fd >= 0 && done < text.size();) {
            const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        if (fd >= 0) ::close(fd);
    });
    const std::string read = formats::readTextFile(path);
    writer.join();
    EXPECT_EQ(read, text);
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
        EXPECT_EQ(formats::readTextFile(path), text) << piece << "-byte pieces";
        struct stat written {};
        ASSERT_EQ(::stat(path.c_str(), &written), 0);
        EXPECT_LT(static_cast<std::size_t>(written.st_blocks) * 512,
                  text.size() + (std::size_t{64} << 10))
            << piece << "-byte pieces";
    }
}

}  // namespace
