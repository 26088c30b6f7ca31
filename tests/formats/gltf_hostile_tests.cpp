// Hostile glTF files, made here from a good card by spoiling one field: every size and offset that
// could wrap on a 32- or 64-bit size_t, strides, indices, non-finite points, the .glb container,
// URIs that lead out of the folder, data URIs, nesting and the points a file expands to. Each is
// refused with one line that starts with the file and names the field, and quotes little input.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <limits>
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

constexpr std::uint64_t max64 = std::numeric_limits<std::uint64_t>::max();
constexpr std::uint64_t wrap32 = std::uint64_t{1} << 32;

class HostileGltf : public testing::Test {
  protected:
    testkit::ScratchFolder dir;
    GltfDraft draft = GltfDraft::card();

    // The error of reading `path`; a failure of the test when it reads.
    static std::string refusal(const fs::path &path,
                               formats::PointBudget budget = formats::PointBudget()) {
        try {
            formats::readGltfMesh(path, budget);
        } catch (const hostsim::HostError &error) {
            const std::string what = error.what();
            EXPECT_EQ(what.rfind(path.string() + ": ", 0), 0u) << "starts with the file: " << what;
            EXPECT_EQ(what.find('\n'), std::string::npos) << "one line: " << what;
            return what.substr(path.string().size() + 2);
        }
        ADD_FAILURE() << path << " was read";
        return {};
    }

    // The draft refused the same way as .gltf and as .glb.
    void expectRefusedAsBoth(const std::string &expected) {
        EXPECT_EQ(refusal(draft.writeGltf(dir / "card.gltf")), expected) << "as .gltf";
        EXPECT_EQ(refusal(draft.writeGlb(dir / "card.glb")), expected) << "as .glb";
    }
};

TEST_F(HostileGltf, TheUnspoiledCardReadsAsBothKinds) {
    for (const fs::path &path :
         {draft.writeGltf(dir / "card.gltf"), draft.writeGlb(dir / "card.glb")}) {
        const hostsim::Mesh mesh = formats::readGltfMesh(path);
        EXPECT_EQ(mesh.points,
                  (std::vector<std::array<float, 3>>{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}));
        EXPECT_EQ(mesh.surface->triangles, (std::vector<std::uint32_t>{0, 1, 2, 0, 2, 3}));
        EXPECT_EQ(mesh.surface->texcoords.at(2), (std::array<float, 2>{1, 1}));
    }
}

// count x stride + offset, each way it can wrap a 32-bit or a 64-bit size_t or reach past its view.
TEST_F(HostileGltf, AccessorOffsetsAndCountsThatWrapOrReachPastAreRefused) {
    auto &accessor = draft.json["accessors"][0];
    accessor["byteOffset"] = max64 - 47;
    expectRefusedAsBoth(
        "accessor 0: byteOffset 18446744073709551568 lies past bufferView 0 (48 bytes)");
    accessor["byteOffset"] = wrap32 - 48;
    expectRefusedAsBoth("accessor 0: byteOffset 4294967248 lies past bufferView 0 (48 bytes)");
    accessor["byteOffset"] = 40;
    expectRefusedAsBoth(
        "accessor 0: count 4 x byteStride 12 from byteOffset 40 reaches past bufferView 0 (48 "
        "bytes)");
    accessor["byteOffset"] = 0;

    accessor["count"] = max64 / 12 + 2;  // x 12 wraps 64 bits to a small number
    expectRefusedAsBoth("accessor 0: count 1537228672809129303 x byteStride 12 overflows 64 bits");
    accessor["count"] = max64;
    expectRefusedAsBoth("accessor 0: count 18446744073709551615 x byteStride 12 overflows 64 bits");
    accessor["count"] = wrap32 / 12 + 1;  // x 12 wraps 32 bits to 8
    expectRefusedAsBoth(
        "accessor 0: count 357913942 x byteStride 12 from byteOffset 0 reaches past bufferView 0 "
        "(48 bytes)");
    accessor["count"] = 5;
    expectRefusedAsBoth(
        "accessor 0: count 5 x byteStride 12 from byteOffset 0 reaches past bufferView 0 (48 "
        "bytes)");
}

TEST_F(HostileGltf, StridesThatWrapAreTooSmallOrMisalignedAreRefused) {
    auto &view = draft.json["bufferViews"][0];
    view["byteStride"] = wrap32;  // the second element would start at 0 on 32 bits
    expectRefusedAsBoth(
        "accessor 0: count 4 x byteStride 4294967296 from byteOffset 0 reaches past bufferView 0 "
        "(48 bytes)");
    view["byteStride"] = std::uint64_t{1} << 63;  // 3 x 2^63 wraps 64 bits
    expectRefusedAsBoth("accessor 0: count 4 x byteStride 9223372036854775808 overflows 64 bits");
    view["byteStride"] = 8;
    expectRefusedAsBoth(
        "bufferView 0: byteStride 8 is smaller than one element of accessor 0 (12 bytes)");
    view["byteStride"] = 0;
    expectRefusedAsBoth(
        "bufferView 0: byteStride 0 is smaller than one element of accessor 0 (12 bytes)");
    view["byteStride"] = 14;
    expectRefusedAsBoth(
        "bufferView 0: byteStride 14 is not a multiple of the component size of accessor 0 (4 "
        "bytes)");
    view["byteStride"] = 16;
    view["byteLength"] = 48;
    expectRefusedAsBoth(
        "accessor 0: count 4 x byteStride 16 from byteOffset 0 reaches past bufferView 0 (48 "
        "bytes)");
}

TEST_F(HostileGltf, ViewsThatWrapOrReachPastTheirBufferAreRefused) {
    auto &view = draft.json["bufferViews"][0];
    view["byteOffset"] = max64 - 7;
    expectRefusedAsBoth(
        "bufferView 0: byteOffset 18446744073709551608 lies past buffer 0 (92 bytes)");
    view["byteOffset"] = wrap32 - 8;
    expectRefusedAsBoth("bufferView 0: byteOffset 4294967288 lies past buffer 0 (92 bytes)");
    view["byteOffset"] = 16;
    view["byteLength"] = max64 - 8;
    expectRefusedAsBoth(
        "bufferView 0: byteLength 18446744073709551607 from byteOffset 16 reaches past buffer 0 "
        "(92 bytes)");
    view["byteLength"] = wrap32 - 8;
    expectRefusedAsBoth(
        "bufferView 0: byteLength 4294967288 from byteOffset 16 reaches past buffer 0 (92 bytes)");
    view["byteLength"] = 77;
    expectRefusedAsBoth(
        "bufferView 0: byteLength 77 from byteOffset 16 reaches past buffer 0 (92 bytes)");
}

TEST_F(HostileGltf, NumbersOutsideTheRangeOfAWholeNumberAreRefused) {
    draft.json["accessors"][0]["count"] = -1;
    expectRefusedAsBoth(
        "accessor 0: count: expected a whole number from 0 to 18446744073709551615, found -1");
    draft.json["accessors"][0]["count"] = 18446744073709551616.0;
    expectRefusedAsBoth(
        "accessor 0: count: expected a whole number from 0 to 18446744073709551615, found "
        "1.8446744073709552e+19");
    draft.json["accessors"][0]["count"] = 2.5;
    expectRefusedAsBoth(
        "accessor 0: count: expected a whole number from 0 to 18446744073709551615, found 2.5");
    draft.json["accessors"][0]["count"] = "4";
    expectRefusedAsBoth(
        "accessor 0: count: expected a whole number from 0 to 18446744073709551615, found string");
}

TEST_F(HostileGltf, IndicesAndReferencesPastTheirListsAreRefused) {
    draft.setIndex(4, 4);
    expectRefusedAsBoth("accessor 2: index 4 reaches past the 4 points of its primitive");
    draft.setIndex(4, 65535);
    expectRefusedAsBoth("accessor 2: index 65535 reaches past the 4 points of its primitive");
    draft.setIndex(4, 2);
    draft.json["meshes"][0]["primitives"][0]["indices"] = 1;
    expectRefusedAsBoth("accessor 1: indices must be unsigned bytes, shorts or ints");
    draft.json["meshes"][0]["primitives"][0]["indices"] = max64;
    expectRefusedAsBoth("accessor 18446744073709551615 is named, but the file has 3 accessors");
    draft.json["meshes"][0]["primitives"][0]["indices"] = 2;
    draft.json["accessors"][0]["bufferView"] = wrap32;
    expectRefusedAsBoth("bufferView 4294967296 is named, but the file has 3 bufferViews");
    draft.json["accessors"][0]["bufferView"] = 0;
    draft.json["bufferViews"][0]["buffer"] = 1;
    expectRefusedAsBoth("bufferView 0: buffer 1 is named, but the file has 1 buffers");
}

TEST_F(HostileGltf, PointsThatAreNotFiniteAreRefusedLikeInObj) {
    draft.setCoordinate(2, 1, std::numeric_limits<float>::quiet_NaN());
    expectRefusedAsBoth("accessor 0: POSITION 2 is not three finite numbers");
    draft.setCoordinate(2, 1, 1);
    draft.setCoordinate(3, 0, -std::numeric_limits<float>::infinity());
    expectRefusedAsBoth("accessor 0: POSITION 3 is not three finite numbers");
}

TEST_F(HostileGltf, JsonNestedDeeperThanTheBoundIsRefusedBeforeParsing) {
    nlohmann::json deep = 0;
    for (int level = 0; level < 255; ++level) deep = nlohmann::json::array({deep});
    draft.json["extras"] = deep;  // 256 levels with the document itself
    EXPECT_EQ(formats::readGltfMesh(draft.writeGltf(dir / "deep.gltf")).points.size(), 4u)
        << "256 levels are read";
    EXPECT_EQ(formats::readGltfMesh(draft.writeGlb(dir / "deep.glb")).points.size(), 4u)
        << "256 levels are read";

    // Far deeper than any recursive parser's stack allows, written as text.
    const std::string text = R"({"asset": {"version": "2.0"}, "extras": )" +
                             std::string(1'000'000, '[') + std::string(1'000'000, ']') + "}";
    const fs::path path = dir.write("deeper.gltf", text);
    EXPECT_EQ(refusal(path), "JSON nested deeper than 256 levels at byte 295");
    draft.json["extras"] = nlohmann::json::array({deep});
    for (const fs::path &file :
         {draft.writeGltf(dir / "deep.gltf"), draft.writeGlb(dir / "deep.glb")})
        EXPECT_EQ(refusal(file).rfind("JSON nested deeper than 256 levels at byte ", 0), 0u)
            << file;
}

}  // namespace
