// Saving scene files never destroys the previous file: a scene that would not read back, a disk
// that fills up midway, a failed rename or a missing folder each leave the old file as it was, and
// nothing beside it.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <csignal>
#include <stdexcept>

#include "formats/scene_file.h"
#include "formats/text/text_file.h"
#include "hostsim/host_error.h"
#include "testkit/scratch_folder.h"

namespace {

using hostsim::HostError;
using hostsim::Point3;
using hostsim::Scene;

hostsim::Item fixedItem(std::string name, Point3 position) {
    return {std::move(name), hostsim::Motion::fixed(position), {}};
}

class SceneFileSaving : public testing::Test {
  protected:
    void SetUp() override {
        good_.items.push_back(fixedItem("Camera", {0, 1, -4}));
        path_ = dir_.path() / "scene.json";
        formats::writeSceneFile(path_, good_);
        before_ = testkit::fileText(path_);
    }

    void expectOldFileIntact() {
        EXPECT_EQ(testkit::fileText(path_), before_);
        EXPECT_EQ(dir_.names(), std::vector<std::string>{"scene.json"})
            << "a temporary file was left behind";
    }

    testkit::ScratchFolder dir_;
    std::filesystem::path path_;
    Scene good_;
    std::string before_;
};

TEST_F(SceneFileSaving, SceneThatWouldNotReadBackIsRefusedAndOldFileKept) {
    Scene bad = good_;
    bad.items.push_back(fixedItem("Bee", {0, std::nan(""), 0}));
    try {
        formats::writeSceneFile(path_, bad);
        FAIL() << "saved a position that is not a number";
    } catch (const HostError &error) {
        EXPECT_EQ(
            std::string(error.what()),
            path_.string() + ": cannot save: the position of item \"Bee\" is not a finite number");
    }
    expectOldFileIntact();
}

TEST_F(SceneFileSaving, UnsavableScenesAreRefused) {
    Scene twoNames = good_;
    twoNames.items.push_back(fixedItem("Camera", {}));
    Scene noItem = good_;
    noItem.displacements.push_back({5, "Vistrelle", std::nullopt});
    Scene badText = good_;
    badText.items[0].name = "\xFF";
    for (const Scene *scene : {&twoNames, &noItem, &badText}) {
        EXPECT_THROW(formats::writeSceneFile(path_, *scene), HostError);
    }
    expectOldFileIntact();
}

// write() fails with EFBIG past RLIMIT_FSIZE, as on a full disk; the signal it also raises is
// ignored.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

  private:
    rlimit saved_{};
    void (*oldHandler_)(int) = nullptr;
};

TEST_F(SceneFileSaving, DiskFillingUpMidwayKeepsOldFile) {
    Scene large = good_;
    for (int i = 0; i < 2000; ++i)
        large.items.push_back(fixedItem("item" + std::to_string(i), {i * 0.1, 1, 2}));
    try {
        const FileSizeLimit limit(4096);
        formats::writeSceneFile(path_, large);
        FAIL() << "wrote past the file size limit";
    } catch (const HostError &error) {
        EXPECT_EQ(std::string(error.what()), path_.string() + ": cannot write: File too large");
    }
    expectOldFileIntact();
}

TEST_F(SceneFileSaving, FailedRenameLeavesNoTemporaryFile) {
    std::filesystem::create_directories(dir_.path() / "taken" / "inside");
    EXPECT_THROW(formats::replaceFile(dir_.path() / "taken", "text"), HostError);
    EXPECT_EQ(dir_.names(), (std::vector<std::string>{"scene.json", "taken"}));
}

TEST_F(SceneFileSaving,
       ReplacedFileOfEitherDurabilityLeavesNothingBesideItAndOtherLinksKeepTheOldText) {
    // Output that can be made again swaps the old file out rather than renaming over it.
    const auto other = dir_.path() / "other";
    std::filesystem::create_hard_link(path_, other);
    formats::replaceFile(path_, "made again\n", formats::Durability::Process);
    EXPECT_EQ(testkit::fileText(path_), "made again\n");
    formats::replaceFile(path_, "kept safe\n", formats::Durability::System);
    EXPECT_EQ(testkit::fileText(path_), "kept safe\n");
    EXPECT_EQ(testkit::fileText(other), before_);
    EXPECT_EQ(dir_.names(), (std::vector<std::string>{"other", "scene.json"}));
}

TEST_F(SceneFileSaving, TextThatFailsWhileWrittenInPiecesKeepsOldFile) {
    // The first pieces reach the temporary file before the fault: it goes, the old file stays.
    const auto write = [](const formats::TextSink &sink) {
        sink(std::string(200000, 'x'));
        sink("more");
        throw std::runtime_error("stopped midway");
    };
    EXPECT_THROW(formats::replaceFileWith(path_, write), std::runtime_error);
    expectOldFileIntact();
    formats::replaceFileWith(path_, [](const formats::TextSink &sink) {
        sink("one ");
        sink("");
        sink("two\n");
    });
    EXPECT_EQ(testkit::fileText(path_), "one two\n");
}

TEST_F(SceneFileSaving, SavingIntoAMissingFolderNamesTheFile) {
    const auto path = dir_.path() / "no" / "scene.json";
    try {
        formats::writeSceneFile(path, good_);
        FAIL() << "saved into a missing folder";
    } catch (const HostError &error) {
        EXPECT_EQ(std::string(error.what()).rfind(path.string() + ": cannot write: ", 0), 0u)
            << error.what();
    }
}

}  // namespace
