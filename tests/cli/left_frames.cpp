// Reading what a run left in its folder.
#include "tests/cli/left_frames.h"

#include "testkit/scratch_folder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <regex>

namespace clitest {
namespace {

namespace fs = std::filesystem;

std::set<int> framesNamed(const std::string &text, const std::string &pattern) {
    std::set<int> frames;
    const std::regex named(pattern);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), named);
         it != std::sregex_iterator(); ++it)
        frames.insert(std::stoi((*it)[1].str()));
    return frames;
}

}  // namespace

fs::path gardenScene() { return fs::path(VISTREL_RUN_DATA) / "garden.json"; }

std::set<int> LeftFrames::frames(const std::string &kind) const {
    const auto found = framesByKind.find(kind);
    return found == framesByKind.end() ? std::set<int>{} : found->second;
}

LeftFrames leftIn(const fs::path &out) {
    LeftFrames left;
    if (!fs::exists(out)) return left;
    const std::regex frameFile(R"(([A-Za-z_]+)\.(\d{4})\.(obj|svg|js))");
    for (const auto &entry : fs::recursive_directory_iterator(out)) {
        const std::string name = entry.path().filename().string();
        if (name.find(".tmp-") != std::string::npos) left.temporaries.push_back(name);
        std::smatch parts;
        if (!entry.is_regular_file() || !std::regex_match(name, parts, frameFile)) continue;
        const std::string where =
            entry.path().parent_path().filename() == "viewer" ? "viewer " : "";
        left.framesByKind[where + parts[1].str() + ' ' + parts[3].str()].insert(
            std::stoi(parts[2].str()));
    }
    if (fs::exists(out / "pictures.html"))
        left.pictures =
            framesNamed(testkit::fileText(out / "pictures.html"), R"(Cards\.(\d{4})\.svg)");
    if (fs::exists(out / "index.html"))
        left.viewed = framesNamed(testkit::fileText(out / "index.html"), R"(Cards\.(\d{4})\.js)");
    return left;
}

std::set<int> firstFrames(int count) {
    std::set<int> frames;
    for (int frame = 0; frame < count; ++frame) frames.insert(frame);
    return frames;
}

int expectWholeFrames(const fs::path &out, const std::string &context) {
    const LeftFrames left = leftIn(out);
    EXPECT_TRUE(left.temporaries.empty()) << context << ": " << left.temporaries.front();
    const std::set<int> written = left.frames("Cards obj");
    const int count = static_cast<int>(written.size());
    EXPECT_EQ(written, firstFrames(count))
        << context << ": the frames written are not contiguous from 0";
    for (const char *kind : {"Cards svg", "Ten_points obj", "Ten_points svg", "viewer Cards js"})
        EXPECT_EQ(left.frames(kind), written) << context << ": " << kind;
    EXPECT_EQ(left.pictures, written) << context << ": pictures.html";
    EXPECT_EQ(left.viewed, written) << context << ": index.html";
    return count;
}

std::string stopName(int signal) {
    return signal == SIGINT ? "SIGINT" : signal == SIGTERM ? "SIGTERM" : "SIGHUP";
}

std::string stopPlace(int count, int asked) {
    const std::string kept =
        count == 0 ? "no frame was written"
                   : "frames 0 to " + std::to_string(count - 1) + " are written whole";
    return (count < asked ? " at frame " + std::to_string(count) : " after the last frame") +
           std::string(": ") + kept;
}

}  // namespace clitest
