// vistrelle run whose pages cannot be rewritten after a frame's files are: on a disk that fills up
// right there, or with a page that has become a folder. The frame is then not kept: its files go,
// the pages list exactly the frames on the disk, and the line counts those.
#include "tests/cli/command_process.h"
#include "tests/cli/left_frames.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using testkit::ScratchFolder;

constexpr std::uintmax_t page = 4096;  // a tmpfs gives its room in pages

std::uintmax_t pagesOf(std::uintmax_t bytes) { return (bytes + page - 1) / page; }

std::vector<std::string> gardenRun(const fs::path &out, int frames) {
    return {"run",      clitest::gardenScene().string(),   "--out",  out.string(),
            "--frames", "0-" + std::to_string(frames - 1), "--jobs", "1",
            "--quiet"};
}

// A tmpfs of 4 MB mounted on a folder for as long as this lives.
class SmallDisk {
  public:
    explicit SmallDisk(const fs::path &where) : where_(where) {
        fs::create_directories(where);
        if (::mount("tmpfs", where.c_str(), "tmpfs", 0, "size=4m") == 0)
            mounted_ = true;
        else
            error_ = std::strerror(errno);
    }
    ~SmallDisk() {
        if (mounted_) ::umount2(where_.c_str(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    bool mounted() const { return mounted_; }
    const std::string &error() const { return error_; }
    std::uintmax_t freePages() const {
        struct statvfs room {};
        ::statvfs(where_.c_str(), &room);
        return room.f_bavail * room.f_frsize / page;
    }

  private:
    fs::path where_;
    bool mounted_ = false;
    std::string error_;
};

TEST(FullDiskRun, ADiskFullAtThePicturesPageKeepsOnlyTheFramesThePagesList) {
    const ScratchFolder folder;
    // What frame 3 writes, byte for byte the same in every run: its files, then index.html.
    const fs::path reference = folder / "reference";
    ASSERT_EQ(clitest::runVistrelle(gardenRun(reference, 4)).exitCode, 0);
    std::uintmax_t needed = pagesOf(fs::file_size(reference / "index.html"));
    for (const char *file : {"Cards.0003.obj", "Cards.0003.svg", "Ten_points.0003.obj",
                             "Ten_points.0003.svg", "viewer/Cards.0003.js"})
        needed += pagesOf(fs::file_size(reference / file));

    const SmallDisk disk(folder / "disk");
    if (!disk.mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here (" << disk.error()
                     << "); the page written as a folder below checks the same";
    const fs::path out = folder / "disk" / "out";
    clitest::RunningCommand run(gardenRun(out, 4), "taken:2");
    ASSERT_TRUE(run.waitUntilPaused());
    // Room for frame 3's files and index.html and no more: the old index.html is held open here,
    // so that replacing it frees nothing, and pictures.html finds the disk full.
    const int heldIndex = ::open((out / "index.html").c_str(), O_RDONLY);
    ASSERT_GE(heldIndex, 0);
    const std::uintmax_t free = disk.freePages();
    ASSERT_GT(free, needed);
    {
        std::ofstream filler(folder / "disk" / "filler", std::ios::binary);
        const std::string block(page, '\0');
        for (std::uintmax_t k = 0; k < free - needed; ++k) filler << block;
    }
    ASSERT_EQ(disk.freePages(), needed);
    run.resume();
    const clitest::CommandOutcome outcome = run.wait();
    ::close(heldIndex);

    EXPECT_EQ(clitest::expectWholeFrames(out, "disk full"), 3);
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(clitest::linesOf(outcome.err).back(),
              (out / "pictures.html").string() +
                  ": cannot write: No space left on device; the run stopped at frame 3: frames 0 "
                  "to 2 are written whole")
        << outcome.err;
}

TEST(FullDiskRun, APageThatCannotBeWrittenLeavesNoFrameItWouldHaveListed) {
    const ScratchFolder folder;
    const fs::path out = folder / "out";
    clitest::RunningCommand run(gardenRun(out, 5), "taken:2");
    ASSERT_TRUE(run.waitUntilPaused());
    // pictures.html becomes a folder: frame 3's files and index.html are written, pictures.html
    // is not.
    fs::remove(out / "pictures.html");
    fs::create_directory(out / "pictures.html");
    run.resume();
    const clitest::CommandOutcome outcome = run.wait();
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_TRUE(clitest::linesOf(outcome.err).back().starts_with((out / "pictures.html").string()))
        << outcome.err;
    const clitest::LeftFrames left = clitest::leftIn(out);
    EXPECT_TRUE(left.temporaries.empty()) << left.temporaries.front();
    const std::set<int> kept = clitest::firstFrames(3);
    EXPECT_EQ(left.viewed, kept) << "index.html";
    for (const char *kind :
         {"Cards obj", "Cards svg", "Ten_points obj", "Ten_points svg", "viewer Cards js"})
        EXPECT_EQ(left.frames(kind), kept) << kind;
}

}  // namespace
