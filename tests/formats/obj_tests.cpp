// OBJ meshes: points in file order, written back with every face, group, material and texture
// coordinate kept and the normals recomputed, checked with an independent reader (tinyobjloader);
// every malformed file gives one line with the file and the line.
#define TINYOBJLOADER_IMPLEMENTATION
#include <tiny_obj_loader.h>

#include <gtest/gtest.h>

#include <algorithm>

#include <cmath>
#include <random>
#include <sstream>

#include "formats/obj_document.h"
#include "formats/obj_mesh.h"
#include "formats/text/number_text.h"
#include "hostsim/host_error.h"
#include "testkit/scratch_folder.h"

namespace {

using hostsim::HostError;
using hostsim::Position;
using testkit::ScratchFolder;

const std::filesystem::path testData = VISTREL_TEST_DATA;

// Recomputed normals are written as floats: a few float steps of tolerance.
constexpr double normalTolerance = 1e-6;

std::vector<std::string> lines(const std::string &text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// The "vn" lines of a text as numbers.
std::vector<Position> normals(const std::string &text) {
    std::vector<Position> out;
    for (const std::string &line : lines(text)) {
        if (line.rfind("vn ", 0) != 0) continue;
        std::istringstream in(line.substr(3));
        Position n{};
        in >> n[0] >> n[1] >> n[2];
        out.push_back(n);
    }
    return out;
}

void expectNear(const Position &actual, const Position &expected) {
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(actual[k], expected[k], normalTolerance) << "coordinate " << k;
}

tinyobj::ObjReader independentRead(const std::filesystem::path &path) {
    tinyobj::ObjReaderConfig config;
    config.triangulate = false;
    tinyobj::ObjReader reader;
    EXPECT_TRUE(reader.ParseFromFile(path.string(), config)) << reader.Error();
    EXPECT_EQ(reader.Warning(), "");
    return reader;
}

// --- Reading

TEST(ObjMeshReading, PointsAreTheVRecordsInFileOrder) {
    const hostsim::Mesh mesh = formats::readObjMesh(testData / "leaves.obj");
    EXPECT_EQ(mesh.points, (std::vector<std::array<float, 3>>{{0, 0, 0},
                                                              {1, 0, 0},
                                                              {1, 1, 0},
                                                              {0, 1, 0},
                                                              {2, 0, 0.5f},
                                                              {3, 0, 0.5f},
                                                              {3, 1, 0.5f},
                                                              {2, 1, 0.5f},
                                                              {-0.25f, 0.125f, 7}}));
    EXPECT_EQ(mesh.sourceFile, (testData / "leaves.obj").string());
    ASSERT_NE(mesh.obj, nullptr);
    EXPECT_EQ(mesh.obj->faceCount(), 2u);
}

TEST(ObjMeshReading, WindowsLineEndingsAndSignsRead) {
    const auto document = formats::ObjDocument::parse(
        "v +1 -2.5e1 3\r\nv 0 0 0\r\nv 1 1 1\r\nf 1 2 3\r\n", "crlf.obj");
    EXPECT_EQ(document.points(),
              (std::vector<std::array<float, 3>>{{1, -25, 3}, {0, 0, 0}, {1, 1, 1}}));
    EXPECT_EQ(document.text(hostsim::toPositions(document.points())),
              "v 1 -25 3\nv 0 0 0\nv 1 1 1\nf 1 2 3\n");
}

TEST(ObjMeshReading, CarriageReturnAloneEndsALineAsDoLineFeedsAndBoth) {
    // Old Mac line ends, Unix and Windows ones mixed, across the blocks a file is read in.
    std::string text;
    for (int i = 0; i < 60000; ++i) {
        const char *const end = i % 3 == 0 ? "\r" : i % 3 == 1 ? "\n" : "\r\n";
        text += "v " + std::to_string(i) + " 0 0" + end;
        if (i % 4 == 3) text += std::string("f -4 -3 -2 -1") + end;
    }
    testkit::ScratchFolder dir;
    const formats::ObjDocument read = formats::ObjDocument::read(dir.write("mixed.obj", text));
    ASSERT_EQ(read.points().size(), 60000u);
    EXPECT_EQ(read.points()[59999][0], 59999.0f);
    EXPECT_EQ(read.faceCount(), 15000u);

    const auto document =
        formats::ObjDocument::parse("v 0 0 0\rv 1 0 0\rv 1 1 0\rf 1 2 3\r", "cr.obj");
    EXPECT_EQ(document.points().size(), 3u);
    EXPECT_EQ(document.faceCount(), 1u);
    EXPECT_EQ(document.text(hostsim::toPositions(document.points())),
              "v 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 3\n");
}

TEST(ObjMeshReading, AWeightOrAColourAfterAPointIsKeptAsWritten) {
    const auto document =
        formats::ObjDocument::parse("v 0 0 0 1\nv 1 0 0 0.5 0.25 1\nv 1 1 0 # tip\n", "extras.obj");
    EXPECT_EQ(document.points(),
              (std::vector<std::array<float, 3>>{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}));
    EXPECT_EQ(document.text(hostsim::toPositions(document.points())),
              "v 0 0 0 1\nv 1 0 0 0.5 0.25 1\nv 1 1 0 # tip\n");
}

// --- Writing back

TEST(ObjMeshWriting, UnmovedMeshWritesBackTheSameText) {
    const hostsim::Mesh mesh = formats::readObjMesh(testData / "leaves.obj");
    EXPECT_EQ(formats::objMeshText(mesh, hostsim::toPositions(mesh.points)),
              testkit::fileText(testData / "leaves.obj"));
}

TEST(ObjMeshWriting, DisplacedMeshKeepsFacesGroupsMaterialsAndTextureCoordinates) {
    testkit::ScratchFolder dir;
    std::filesystem::copy_file(testData / "leaves.mtl", dir.path() / "leaves.mtl");
    const hostsim::Mesh mesh = formats::readObjMesh(testData / "leaves.obj");
    std::vector<Position> moved = hostsim::toPositions(mesh.points);
    for (std::size_t i = 0; i < 4; ++i)
        moved[i] = {moved[i][0], -moved[i][2], moved[i][1]};  // first leaf: 90 degrees about X
    for (std::size_t i = 4; i < 8; ++i) moved[i][1] += 0.1;   // second leaf: up
    moved[8] = {0.3, -0.7, 1e-8};
    const auto written = dir.path() / "moved.obj";
    formats::writeObjMesh(written, mesh, moved);

    const tinyobj::ObjReader before = independentRead(testData / "leaves.obj");
    const tinyobj::ObjReader after = independentRead(written);
    ASSERT_EQ(after.GetAttrib().vertices.size(), 3 * moved.size());
    for (std::size_t i = 0; i < moved.size(); ++i) {
        for (std::size_t k = 0; k < 3; ++k)
            EXPECT_FLOAT_EQ(after.GetAttrib().vertices[3 * i + k], static_cast<float>(moved[i][k]));
    }
    EXPECT_EQ(after.GetAttrib().vertex_weights, before.GetAttrib().vertex_weights);
    EXPECT_EQ(after.GetAttrib().texcoords, before.GetAttrib().texcoords);
    ASSERT_EQ(after.GetShapes().size(), before.GetShapes().size());
    for (std::size_t s = 0; s < before.GetShapes().size(); ++s) {
        const tinyobj::shape_t &a = after.GetShapes()[s];
        const tinyobj::shape_t &b = before.GetShapes()[s];
        EXPECT_EQ(a.name, b.name);
        EXPECT_EQ(a.mesh.num_face_vertices, b.mesh.num_face_vertices);
        EXPECT_EQ(a.mesh.material_ids, b.mesh.material_ids);
        EXPECT_EQ(a.mesh.smoothing_group_ids, b.mesh.smoothing_group_ids);
        ASSERT_EQ(a.mesh.indices.size(), b.mesh.indices.size());
        for (std::size_t c = 0; c < b.mesh.indices.size(); ++c) {
            EXPECT_EQ(a.mesh.indices[c].vertex_index, b.mesh.indices[c].vertex_index);
            EXPECT_EQ(a.mesh.indices[c].texcoord_index, b.mesh.indices[c].texcoord_index);
            EXPECT_EQ(a.mesh.indices[c].normal_index, b.mesh.indices[c].normal_index);
        }
        EXPECT_EQ(a.lines.num_line_vertices, b.lines.num_line_vertices);
    }
    ASSERT_EQ(after.GetMaterials().size(), 2u);
    EXPECT_EQ(after.GetMaterials()[1].name, "bark");

    // Only "v" and "vn" lines differ, and each stays where it was.
    const auto original = lines(testkit::fileText(testData / "leaves.obj"));
    const auto rewritten = lines(testkit::fileText(written));
    ASSERT_EQ(rewritten.size(), original.size());
    for (std::size_t i = 0; i < original.size(); ++i) {
        if (original[i].rfind("v ", 0) == 0 || original[i].rfind("vn ", 0) == 0) {
            EXPECT_EQ(rewritten[i].substr(0, 2), original[i].substr(0, 2));
        } else {
            EXPECT_EQ(rewritten[i], original[i]);
        }
    }
    EXPECT_EQ(rewritten[10], "v 2 1.1 0.5 1.0") << "what follows x y z is kept";

    // The turned leaf now faces -Y; the lifted one still faces +Z.
    const auto n = normals(testkit::fileText(written));
    ASSERT_EQ(n.size(), 2u);
    expectNear(n[0], {0, -1, 0});
    expectNear(n[1], {0, 0, 1});
}

TEST(ObjMeshWriting, SharedNormalIsTheAreaWeightedSumOfItsFaces) {
    // One normal shared by a 2x2 face facing +Z and a 1x1 face facing +X: (1, 0, 4) normalised.
    const auto document = formats::ObjDocument::parse(
        "v 0 0 0\nv 2 0 0\nv 2 2 0\nv 0 2 0\nv 0 1 0\nv 0 1 1\nv 0 0 1\nvn 9 9 9\n"
        "f 1//1 2//1 3//1 4//1\nf 1//1 5//1 6//1 7//1\n",
        "shared.obj");
    const auto n = normals(document.text(hostsim::toPositions(document.points())));
    ASSERT_EQ(n.size(), 1u);
    expectNear(n[0], {1.0 / std::sqrt(17.0), 0.0, 4.0 / std::sqrt(17.0)});
}

TEST(ObjMeshWriting, NormalOfNoFaceWithAreaKeepsItsText) {
    const auto document = formats::ObjDocument::parse(
        "v 0 0 0\nv 1 0 0\nv 2 0 0\nvn 0.3 0.3 0.3\nvn 1 0 0\nf 1//2 2//2 3//2\n", "flat.obj");
    const std::string text = document.text(hostsim::toPositions(document.points()));
    EXPECT_NE(text.find("\nvn 0.3 0.3 0.3\nvn 1 0 0\n"), std::string::npos) << text;
}

TEST(ObjMeshWriting, InlinePointsWriteVLinesOnly) {
    const hostsim::Mesh mesh{{{0, 0, 0}, {1, 0.5f, -2}}, {}, {}, {}};
    EXPECT_EQ(formats::objMeshText(mesh, std::vector<Position>{{0.1, 0, 0}, {1, 2, 3}}),
              "v 0.1 0 0\nv 1 2 3\n");
}

TEST(ObjMeshWriting, EveryLineKeepsItsPlace) {
    // Kept lines, points with and without text after x y z and normals that keep their text, mixed;
    // the last line without its line end gets one.
    const std::string source =
        "# c\nv 1 2 3\nv 4 5 6 1.0\nv 7 8 9\nvn 0 0 1\n\ng x\nvn 1 0 0\nv 0 0 0\n"
        "f 1 2 3\nv -1 0.5 0 0.25\nv 2 2 2\nvn 0 1 0\nl 1 2";
    const auto document = formats::ObjDocument::parse(source, "mixed.obj");
    EXPECT_EQ(document.text(hostsim::toPositions(document.points())), source + "\n");
    std::vector<Position> moved(document.points().size(), Position{0.5, -0.25, 8});
    EXPECT_EQ(document.text(moved),
              "# c\nv 0.5 -0.25 8\nv 0.5 -0.25 8 1.0\nv 0.5 -0.25 8\nvn 0 0 1\n\ng x\nvn 1 0 0\n"
              "v 0.5 -0.25 8\nf 1 2 3\nv 0.5 -0.25 8 0.25\nv 0.5 -0.25 8\nvn 0 1 0\nl 1 2\n");
}

TEST(ObjMeshWriting, LargeFilesAreTheSameTextInMemoryAndOnDisk) {
    // Many times the size of the pieces the text is written in, with a comment longer than a piece
    // and text after x y z, once longer than a piece too; no face, so every line but the "v" lines
    // comes out as it went in.
    constexpr std::size_t pointCount = 20000;
    std::string source = "# " + std::string(300000, 'c') + "\no many\n";
    std::vector<Position> moved;
    std::string expected = source;
    std::mt19937 random(11);
    std::uniform_real_distribution<double> coordinate(-3.0, 3.0);
    for (std::size_t i = 0; i < pointCount; ++i) {
        const std::string rest = i == 5000    ? " # " + std::string(200000, 'r')
                                 : i % 7 == 0 ? " 0.5"
                                              : "";
        source += "v 0 0 0" + rest + "\n";
        moved.push_back({coordinate(random), coordinate(random) * 1e-6, coordinate(random) * 1e9});
        expected += "v ";
        formats::appendFloatTriple(expected, moved.back());
        expected += rest + "\n";
        if (i % 4 == 3) {
            source += "vn 0 0 1\nl " + std::to_string(i - 2) + " " + std::to_string(i + 1) + "\n";
            expected += "vn 0 0 1\nl " + std::to_string(i - 2) + " " + std::to_string(i + 1) + "\n";
        }
    }
    testkit::ScratchFolder dir;
    const hostsim::Mesh mesh = formats::readObjMesh(dir.write("many.obj", source));
    EXPECT_EQ(formats::objMeshText(mesh, moved), expected);
    const auto written = dir.path() / "moved.obj";
    EXPECT_EQ(formats::writeObjMesh(written, mesh, moved), expected.size());
    EXPECT_EQ(testkit::fileText(written), expected);

    // Inline points alike.
    std::string inlineExpected;
    for (const Position &p : moved) {
        inlineExpected += "v ";
        formats::appendFloatTriple(inlineExpected, p);
        inlineExpected += '\n';
    }
    const hostsim::Mesh inlineMesh{std::vector<std::array<float, 3>>(pointCount), {}, {}, {}};
    EXPECT_EQ(formats::objMeshText(inlineMesh, moved), inlineExpected);
    EXPECT_EQ(formats::writeObjMesh(written, inlineMesh, moved), inlineExpected.size());
    EXPECT_EQ(testkit::fileText(written), inlineExpected);
}

TEST(ObjMeshWriting, WrongNumberOfDisplacedPointsIsRefused) {
    const hostsim::Mesh mesh = formats::readObjMesh(testData / "leaves.obj");
    EXPECT_THROW(formats::objMeshText(mesh, std::vector<Position>(8)), HostError);
    EXPECT_THROW(
        formats::objMeshText(hostsim::Mesh{{{0, 0, 0}}, {}, {}, {}}, std::vector<Position>{}),
        HostError);
    testkit::ScratchFolder dir;
    EXPECT_THROW(formats::writeObjMesh(dir.path() / "moved.obj", mesh, std::vector<Position>(8)),
                 HostError);
    EXPECT_TRUE(dir.names().empty()) << "nothing is written for a refused mesh";
}

// --- Malformed files: one line with the file and the line

struct MalformedObj {
    const char *name;
    std::string_view text;  // may hold NUL bytes
    const char *message;    // what follows the file name
};

class MalformedObjFile : public testing::TestWithParam<MalformedObj> {};

TEST_P(MalformedObjFile, GivesOneLineWithFileAndLine) {
    testkit::ScratchFolder dir;
    const auto path = dir.write("mesh.obj", GetParam().text);
    try {
        formats::readObjMesh(path);
        FAIL() << "read without complaint";
    } catch (const HostError &error) {
        EXPECT_EQ(std::string(error.what()), path.string() + GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    ObjMeshErrors, MalformedObjFile,
    testing::Values(
        MalformedObj{"Empty", "", ": expected points (\"v\" lines); the file has none"},
        MalformedObj{"WordForNumber", "v 0 0 0\nv 1 two 0\n",
                     ":2:5: expected 3 numbers after \"v\", found \"two\""},
        MalformedObj{"TooFewNumbers", "v 0 0\n", ":1: expected 3 numbers after \"v\""},
        MalformedObj{"NumberWithTrailingText", "v 0 0 1.5x\n",
                     ":1:7: expected 3 numbers after \"v\", found \"1.5x\""},
        MalformedObj{"BeyondFloat", "v 0 1e39 0\n",
                     ":1:5: expected 3 numbers within the range of a float after \"v\""},
        MalformedObj{"FaceIndexPastTheEnd", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 4\n",
                     ":4: point index 4 is out of range; the file has 3 points"},
        MalformedObj{
            "RelativeIndexBeforeTheFirst", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf -1 -2 -4\n",
            ":4: relative point index -4 reaches before the first point; 3 come before this line"},
        MalformedObj{
            "RelativeIndexCountsOnlyEarlierPoints", "v 0 0 0\nf -1 -1 -2\nv 1 0 0\n",
            ":2: relative point index -2 reaches before the first point; 1 come before this line"},
        MalformedObj{"ZeroIndex", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 0 1 2\n",
                     ":4: point index 0; indices count from 1"},
        MalformedObj{"NormalIndexWithoutNormals", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1//1 2//1 3//1\n",
                     ":4: normal index 1 is out of range; the file has 0 normals"},
        MalformedObj{"TextureIndexNotANumber", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nf 1/x 2/1 3/1\n",
                     ":5: expected a texture coordinate index, found \"x\""},
        MalformedObj{"CornerWithAFourthPart",
                     "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1/1/1/1 2 3\n",
                     ":5: expected a normal index, found \"1/1\""},
        MalformedObj{"CornerWithAnEmptyNormal", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1// 2 3\n",
                     ":4: expected a normal index, found \"\""},
        MalformedObj{"CornerWithoutAPoint", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nf /1 2 3\n",
                     ":5: expected a point index, found \"\""},
        MalformedObj{"PointWithAPlainNumberRunIntoText", "v 0 0 0\nv 1 2.5.1 0\n",
                     ":2:5: expected 3 numbers after \"v\", found \"2.5.1\""},
        MalformedObj{"FaceOfTwoCorners", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2\n",
                     ":4: expected a face of at least 3 corners"},
        MalformedObj{"PointWithAWordAfterItsNumbers", "v 0 0 0 1 junk\n",
                     ":1:11: expected nothing, a weight w or a colour r g b after the 3 numbers "
                     "of \"v\", found \"junk\""},
        MalformedObj{"PointWithTwoNumbersAfterItsThree", "v 0 0 0\r\nv 0 0 0 1 1\r\n",
                     ":2:12: expected nothing, a weight w or a colour r g b after the 3 numbers "
                     "of \"v\", found 2 numbers"},
        MalformedObj{"PointWithSevenNumbers", "v 0 0 0 1 1 1 1\n",
                     ":1:15: expected nothing, a weight w or a colour r g b after the 3 numbers "
                     "of \"v\", found \"1\""},
        MalformedObj{"FaultAfterCarriageReturnLinesNamesItsLine", "v 0 0 0\rv 1 0 0\rv 1 x 0\r",
                     ":3:5: expected 3 numbers after \"v\", found \"x\""},
        MalformedObj{"BinaryFile", std::string_view("v 0 0 0\n\0\0\0", 11),
                     ": not a text file: a NUL byte at byte 8"},
        MalformedObj{"LineElementPastTheEnd", "v 0 0 0\nv 1 0 0\nv 0 1 0\nl 1 7\n",
                     ":4: point index 7 is out of range; the file has 3 points"}),
    [](const testing::TestParamInfo<MalformedObj> &info) { return std::string(info.param.name); });

TEST(ObjMeshReading, AFileOfManyBlocksReadsAsItsTextParsesAndNamesTheLineOfALateFault) {
    std::string text = "# cards\r\n";
    for (int i = 0; i < 80000; ++i) {
        text += "v " + std::to_string(i) + ".25 -" + std::to_string(i % 97) + ".5 1e-3\r\n";
        if (i % 4 == 3) text += "vn 0 0 1\nf -4//1 -3//1 -2//1 -1//1\n";
    }
    text += "v 1 2 3";  // the last line without its end
    testkit::ScratchFolder dir;
    const auto path = dir.write("many.obj", text);
    ASSERT_GT(text.size(), std::size_t{2} << 20) << "the file spans several reading blocks";
    const formats::ObjDocument parsed = formats::ObjDocument::parse(text, path.string());
    const formats::ObjDocument read = formats::ObjDocument::read(path);
    EXPECT_EQ(read.points(), parsed.points());
    EXPECT_EQ(read.faceCount(), parsed.faceCount());
    std::vector<hostsim::Position> positions;
    for (const auto &p : parsed.points()) positions.push_back({p[0] * 2.0, p[1], p[2]});
    EXPECT_EQ(read.text(positions), parsed.text(positions));

    const std::size_t lines =
        static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    const auto faulty = dir.write("faulty.obj", text + "\nv 1 two 0\n");
    try {
        formats::readObjMesh(faulty);
        FAIL() << "read without complaint";
    } catch (const HostError &error) {
        EXPECT_EQ(std::string(error.what()),
                  faulty.string() + ":" + std::to_string(lines + 1) +
                      ":5: expected 3 numbers after \"v\", found \"two\"");
    }
}

TEST(ObjMeshErrors, ForwardReferenceToALaterPointIsAccepted) {
    const auto document =
        formats::ObjDocument::parse("f 1 2 3\nv 0 0 0\nv 1 0 0\nv 0 1 0\n", "forward.obj");
    EXPECT_EQ(document.faceCount(), 1u);
}

}  // namespace
