// Where a glTF file's bytes may come from: its own .glb container, base64 data URIs of exactly the
// declared length, and regular files inside its folder, reached by a relative, percent-decoded URI
// that does not lead out by "..", by an absolute path or by a symlink. Also the points a file
// expands to, counted against the limit and the free memory before they are read.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "formats/gltf_mesh.h"
#include "formats/mesh_surface.h"
#include "formats/point_budget.h"
#include "gltf_draft.h"
#include "hostsim/host_error.h"
#include "testkit/scratch_folder.h"

namespace {

using drafts::GltfDraft;
namespace fs = std::filesystem;

class GltfSources : public testing::Test {
  protected:
    GltfSources() {
        fs::create_directories(folder);
        std::ofstream(folder / "card.bin", std::ios::binary)
            .write(reinterpret_cast<const char *>(draft.buffer.data()), 92);
        std::ofstream(dir / "outside.bin", std::ios::binary)
            .write(reinterpret_cast<const char *>(draft.buffer.data()), 92);
    }

    // Reads the draft as .gltf in `folder` with buffer 0 at `uri`; the error after the file's name,
    // or "" when it reads.
    std::string readWithUri(const std::string &uri, const std::string &list = "buffers") {
        GltfDraft spoiled = draft;
        if (list == "images")
            spoiled.json["images"] = {{{"uri", uri}}};
        else
            spoiled.json["buffers"][0]["uri"] = uri;
        return outcome(spoiled.writeGltf(folder / "card.gltf"));
    }

    static std::string outcome(const fs::path &path,
                               formats::PointBudget &&budget = formats::PointBudget()) {
        return outcome(path, budget);
    }

    static std::string outcome(const fs::path &path, formats::PointBudget &budget) {
        try {
            formats::readGltfMesh(path, budget);
            return "";
        } catch (const hostsim::HostError &error) {
            const std::string what = error.what();
            EXPECT_EQ(what.rfind(path.string() + ": ", 0), 0u) << what;
            EXPECT_EQ(what.find('\n'), std::string::npos) << what;
            return what.substr(path.string().size() + 2);
        }
    }

    testkit::ScratchFolder dir;
    fs::path folder = dir / "models";
    GltfDraft draft = GltfDraft::card();
};

TEST_F(GltfSources, FilesInsideTheFolderAreReadByRelativePercentDecodedUri) {
    EXPECT_EQ(readWithUri("card.bin"), "");
    EXPECT_EQ(readWithUri("card%2Ebin"), "");
    fs::create_directories(folder / "sub dir");
    fs::copy_file(folder / "card.bin", folder / "sub dir" / "card.bin");
    EXPECT_EQ(readWithUri("sub%20dir/card.bin"), "");
    EXPECT_EQ(readWithUri("sub%20dir/../card.bin"), "") << "a '..' that stays inside";
    fs::create_symlink("card.bin", folder / "link.bin");
    EXPECT_EQ(readWithUri("link.bin"), "") << "a symlink that stays inside";
}

TEST_F(GltfSources, UrisThatLeadOutOfTheFolderAreRefused) {
    EXPECT_EQ(readWithUri("../outside.bin"),
              "buffer 0: uri \"../outside.bin\" leads out of the glTF file's folder");
    EXPECT_EQ(readWithUri("%2E%2E/outside.bin"),
              "buffer 0: uri \"%2E%2E/outside.bin\" leads out of the glTF file's folder");
    EXPECT_EQ(readWithUri("sub/../../outside.bin"),
              "buffer 0: uri \"sub/../../outside.bin\" leads out of the glTF file's folder");
    EXPECT_EQ(readWithUri((dir / "outside.bin").string()),
              "buffer 0: uri \"" + (dir / "outside.bin").string() +
                  "\" is absolute; only files inside the glTF file's folder are read");
    EXPECT_EQ(readWithUri("%2Fetc%2Fpasswd"),
              "buffer 0: uri \"%2Fetc%2Fpasswd\" is absolute; only files inside the glTF file's "
              "folder are read");
    EXPECT_EQ(readWithUri("file:///etc/passwd"),
              "buffer 0: uri \"file:///etc/passwd\" is not a relative file name (only data: URIs "
              "and files beside the glTF file are read)");
    EXPECT_EQ(readWithUri("https://example.com/card.bin"),
              "buffer 0: uri \"https://example.com/card.bin\" is not a relative file name (only "
              "data: URIs and files beside the glTF file are read)");
    fs::create_symlink(dir / "outside.bin", folder / "out.bin");
    EXPECT_EQ(readWithUri("out.bin"),
              "buffer 0: uri \"out.bin\" leads out of the glTF file's folder through a symlink");
    fs::create_directory_symlink(dir.path(), folder / "up");
    EXPECT_EQ(
        readWithUri("up/outside.bin"),
        "buffer 0: uri \"up/outside.bin\" leads out of the glTF file's folder through a symlink");
    EXPECT_EQ(readWithUri("../outside.bin", "images"),
              "image 0: uri \"../outside.bin\" leads out of the glTF file's folder");
    EXPECT_EQ(
        readWithUri("$(touch pwned).bin"),
        "buffer 0: uri \"$(touch pwned).bin\" names no readable file: No such file or directory");
    EXPECT_FALSE(fs::exists(folder / "pwned")) << "a file name is never expanded by a shell";
}

TEST_F(GltfSources, UrisThatNameNoRegularFileOrAreMalformedAreRefused) {
    EXPECT_EQ(readWithUri("absent.bin"),
              "buffer 0: uri \"absent.bin\" names no readable file: No such file or directory");
    fs::create_directory(folder / "folder.bin");
    EXPECT_EQ(readWithUri("folder.bin"),
              "buffer 0: uri \"folder.bin\" does not name a regular file");
    EXPECT_EQ(readWithUri("/dev/zero"),
              "buffer 0: uri \"/dev/zero\" is absolute; only files inside the glTF file's folder "
              "are read");
    fs::create_symlink("/dev/zero", folder / "zero.bin");
    EXPECT_EQ(readWithUri("zero.bin"),
              "buffer 0: uri \"zero.bin\" leads out of the glTF file's folder through a symlink");
    EXPECT_EQ(readWithUri("card%2"),
              "buffer 0: uri \"card%2\" has a '%' not followed by two hex digits");
    EXPECT_EQ(readWithUri("card%zzbin"),
              "buffer 0: uri \"card%zzbin\" has a '%' not followed by two hex digits");
    EXPECT_EQ(readWithUri("card.bin%00.png"),
              "buffer 0: uri \"card.bin%00.png\" has a NUL character");
    EXPECT_EQ(readWithUri(""), "buffer 0: uri \"\" is empty");
    std::ofstream(folder / "short.bin") << "too short";
    EXPECT_EQ(readWithUri("short.bin"),
              "buffer 0: short.bin holds 9 bytes, but byteLength declares 92");
}

TEST_F(GltfSources, DataUrisMustBeBase64OfExactlyTheDeclaredLength) {
    const std::string prefix = "data:application/octet-stream;base64,";
    const std::string good = drafts::base64(draft.buffer);
    EXPECT_EQ(readWithUri(prefix + good), "");
    EXPECT_EQ(readWithUri(prefix + good.substr(0, good.size() - 4)),
              "buffer 0: data uri holds 90 bytes, but byteLength declares 92");
    EXPECT_EQ(readWithUri(prefix + good + "AAAA"),
              "buffer 0: data uri holds 96 bytes, but byteLength declares 92");
    std::string bad = good;
    bad[10] = '*';
    EXPECT_EQ(
        readWithUri(prefix + bad),
        "buffer 0: data uri is not base64: a character other than A-Z, a-z, 0-9, '+' or '/' at 47");
    EXPECT_EQ(readWithUri(prefix + good.substr(1)),
              "buffer 0: data uri is not base64: 123 characters, not a multiple of 4");
    EXPECT_EQ(readWithUri("data:application/octet-stream," + good),
              "buffer 0: data uri is not base64 (\";base64,\" expected)");
    EXPECT_EQ(
        readWithUri("data:image/png;base64,@@@@", "images"),
        "image 0: data uri is not base64: a character other than A-Z, a-z, 0-9, '+' or '/' at 22");
}

TEST_F(GltfSources, ErrorLinesQuoteAtMost200CharactersAndNoRawBytes) {
    const std::string refused = readWithUri("../" + std::string(10000, 'a') + "\x01\xc3\xa9");
    EXPECT_LT(refused.size(), 300u) << refused;
    EXPECT_NE(refused.find("aaaa...\""), std::string::npos) << refused;
    EXPECT_EQ(readWithUri("../x\x01\xc3\xa9\x1b[2J"),
              "buffer 0: uri \"../x\\x01\\xc3\\xa9\\x1b[2J\" leads out of the glTF file's folder");
    std::ofstream(folder / "bad.gltf") << "{\"asset\": \xff\x1b]0;title\x07}";
    const std::string parse = outcome(folder / "bad.gltf");
    for (const char c : parse) EXPECT_TRUE(c >= 0x20 && c < 0x7f) << parse;
}

TEST_F(GltfSources, GlbContainersWithBadHeadersOrChunksAreRefused) {
    const fs::path path = folder / "card.glb";
    const auto withBytes = [&](std::vector<unsigned char> bytes) {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char *>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return outcome(path);
    };
    const std::vector<unsigned char> good = draft.glbBytes();
    EXPECT_EQ(withBytes(good), "");
    auto spoiled = good;
    spoiled[0] = 'x';
    EXPECT_EQ(withBytes(spoiled),
              "not a binary glTF file (expected the 12-byte header starting \"glTF\")");
    EXPECT_EQ(withBytes({good.begin(), good.begin() + 11}),
              "not a binary glTF file (expected the 12-byte header starting \"glTF\")");
    spoiled = good;
    spoiled[4] = 1;
    EXPECT_EQ(withBytes(spoiled), "binary glTF version 1, expected 2");
    spoiled = good;
    spoiled[8] = 0xff, spoiled[9] = 0xff, spoiled[10] = 0xff, spoiled[11] = 0xff;
    EXPECT_EQ(withBytes(spoiled), "header length 4294967295 is more than the file's " +
                                      std::to_string(good.size()) + " bytes");
    spoiled = good;
    spoiled[12] = 0xf0, spoiled[13] = 0xff, spoiled[14] = 0xff,
    spoiled[15] = 0xff;  // JSON chunk length 2^32 - 16
    EXPECT_EQ(withBytes(spoiled), "chunk 0: length 4294967280 reaches past the header length " +
                                      std::to_string(good.size()) + " (from byte 20)");
    spoiled = good;
    spoiled[16] = 'B';
    EXPECT_EQ(withBytes(spoiled), "the first chunk is not the JSON chunk");

    draft.json["buffers"][0]["byteLength"] = 100;
    EXPECT_EQ(outcome(draft.writeGlb(path)),
              "buffer 0: byteLength 100 is more than the BIN chunk's 92 bytes");
    draft.json["buffers"][0]["byteLength"] = 92;
    draft.json["buffers"].push_back({{"byteLength", 4}});
    EXPECT_EQ(
        outcome(draft.writeGlb(path)),
        "buffer 1: has no uri, and only the first buffer of a .glb file may lie in its BIN chunk");
}

TEST_F(GltfSources, PointsBeyondTheLimitOrTheFreeMemoryAreCountedBeforeTheyAreRead) {
    // One accessor named by 100,000 primitives: 400,000 points from a file of a few kilobytes.
    nlohmann::json primitive = draft.json["meshes"][0]["primitives"][0];
    draft.json["meshes"][0]["primitives"] = nlohmann::json::array();
    for (int i = 0; i < 100000; ++i) draft.json["meshes"][0]["primitives"].push_back(primitive);
    const fs::path path = draft.writeGlb(folder / "many.glb");
    EXPECT_EQ(outcome(path, formats::PointBudget(399999, std::uint64_t{1} << 40)),
              "400000 points, more than --max-points allows (399999)");
    // The file's bytes are counted first, then its points against what is left.
    EXPECT_EQ(outcome(path, formats::PointBudget(400000, fs::file_size(path) + 1000000)),
              "400000 points and 200000 triangles need about 53.6 MB, more than the 1.0 MB of "
              "memory free");
    EXPECT_EQ(outcome(path, formats::PointBudget(400000, std::uint64_t{1} << 40)), "");

    formats::PointBudget shared(500000, std::uint64_t{1} << 40);
    EXPECT_EQ(outcome(path, shared), "");
    EXPECT_EQ(outcome(path, shared),
              "400000 points (after 400000 in the files read before), more than --max-points "
              "allows (500000)")
        << "the limit holds for all the files of a command together";
}

TEST_F(GltfSources, BuffersCountTogetherAgainstTheFreeMemoryBeforeAnyIsRead) {
    // Sixty buffers naming one file: each fits the memory, all of them together do not.
    draft.json["buffers"] = nlohmann::json::array();
    for (int i = 0; i < 60; ++i)
        draft.json["buffers"].push_back({{"uri", "card.bin"}, {"byteLength", 92}});
    const fs::path path = draft.writeGltf(folder / "many.gltf");
    const std::uint64_t json = fs::file_size(path);
    EXPECT_EQ(
        outcome(path, formats::PointBudget(100, json + 60 * 92 + 4 * formats::bytesPerPoint + 24)),
        "");
    EXPECT_EQ(outcome(path, formats::PointBudget(100, json + 59 * 92 + 50)),
              "buffer 59: 92 bytes to read (after " + std::to_string(json + 59 * 92) +
                  " bytes for the input read before), more than the 50 bytes of memory free");
}

TEST_F(GltfSources, ABufferThatIsAFifoOrADeviceIsRefusedWithoutWaiting) {
    ASSERT_EQ(::mkfifo((folder / "pipe.bin").c_str(), 0600), 0);
    EXPECT_EQ(readWithUri("pipe.bin"), "buffer 0: uri \"pipe.bin\" does not name a regular file");
    fs::create_symlink("/dev/zero", folder / "zero.bin");
    EXPECT_EQ(readWithUri("zero.bin"),
              "buffer 0: uri \"zero.bin\" leads out of the glTF file's folder through a symlink");
}

TEST_F(GltfSources, ASparseGlbIsRefusedByItsHeaderWithoutBeingRead) {
    const fs::path path = folder / "sparse.glb";
    std::ofstream(path).close();
    fs::resize_file(path, std::uint64_t{1} << 32);
    formats::PointBudget budget(100, 1000);  // far less than the file: its header alone is read
    EXPECT_EQ(outcome(path, budget),
              "not a binary glTF file (expected the 12-byte header starting \"glTF\")");
    draft.json["buffers"][0]["uri"] = "card.bin";
    const fs::path small = draft.writeGltf(folder / "small.gltf");
    fs::copy_file(small, folder / "small.glb");
    EXPECT_EQ(outcome(folder / "small.glb"),
              "not a binary glTF file (expected the 12-byte header starting \"glTF\")");
}

TEST_F(GltfSources, EveryFileReadOrNamedIsNotedForTheOutputGuard) {
    draft.json["buffers"][0]["uri"] = "card.bin";
    draft.json["images"] = {{{"uri", "card.png"}}};
    std::ofstream(folder / "card.png") << "png";
    const fs::path path = draft.writeGltf(folder / "card.gltf");
    formats::PointBudget budget;
    EXPECT_EQ(outcome(path, budget), "");
    std::vector<std::pair<std::string, std::string>> noted;
    for (const auto &source : budget.files())
        noted.emplace_back(source.path.filename().string(), source.what);
    EXPECT_EQ(noted,
              (std::vector<std::pair<std::string, std::string>>{{"card.gltf", "the mesh"},
                                                                {"card.png", "a glTF image"},
                                                                {"card.bin", "a glTF buffer"}}));
}

TEST_F(GltfSources, PrimitiveModesAreTrianglesStripsAndFansOrPointsAndNothingElse) {
    const auto primitive = [&]() -> nlohmann::json & {
        return draft.json["meshes"][0]["primitives"][0];
    };
    const auto facesOf = [&](const fs::path &path) {
        return formats::readGltfMesh(path).surface->triangles;
    };
    // A strip and a fan of the card's four points: two triangles each, wound as the list is.
    primitive().erase("indices");
    primitive()["mode"] = 5;
    EXPECT_EQ(facesOf(draft.writeGltf(folder / "strip.gltf")),
              (std::vector<std::uint32_t>{0, 1, 2, 2, 1, 3}));
    primitive()["mode"] = 6;
    EXPECT_EQ(facesOf(draft.writeGltf(folder / "fan.gltf")),
              (std::vector<std::uint32_t>{0, 1, 2, 0, 2, 3}));
    // Points and lines: the points, no faces.
    for (int mode : {0, 1, 2, 3}) {
        primitive()["mode"] = mode;
        const hostsim::Mesh mesh = formats::readGltfMesh(draft.writeGltf(folder / "lines.gltf"));
        EXPECT_EQ(mesh.points.size(), 4u) << "mode " << mode;
        EXPECT_TRUE(mesh.surface->triangles.empty()) << "mode " << mode;
    }
    primitive()["mode"] = 99;
    EXPECT_EQ(outcome(draft.writeGltf(folder / "odd.gltf")),
              "mesh 0: primitive 0: mode 99 is not a glTF primitive mode (0 to 6)");
    // A triangle list of indices that is not a multiple of three.
    primitive()["mode"] = 4;
    primitive()["indices"] = 2;
    draft.json["accessors"][2]["count"] = 5;
    EXPECT_EQ(outcome(draft.writeGltf(folder / "five.gltf")),
              "mesh 0: primitive 0: 5 indices do not make whole triangles (a multiple of 3)");
}

}  // namespace
