// vistrelle apply, run as a process: its output must be what the stand-in host gives when it loads
// the same settings into a scene of the mesh and a "Target" item and evaluates one frame.
#include "tests/cli/command_process.h"

#include "formats/gltf_mesh.h"
#include "formats/gltf_writer.h"
#include "formats/mesh_surface.h"
#include "formats/obj_mesh.h"
#include "host/vistrelle_contract.h"
#include "hostsim/host.h"
#include "hostsim/vistrelle_settings.h"

#define TINYOBJLOADER_IMPLEMENTATION
#include <tiny_obj_loader.h>

#include <gtest/gtest.h>

#include <fstream>

namespace {

namespace fs = std::filesystem;
using clitest::linesOf;
using clitest::runVistrelle;
using testkit::fileText;
using testkit::ScratchFolder;

const fs::path demoMesh = fs::path(VISTREL_EXAMPLES) / "bush.obj";
const fs::path cardsMesh = fs::path(VISTREL_RUN_DATA) / "cards.obj";

// The positions the stand-in host evaluates at frame 0 for the mesh with a "Target" at `target`,
// the settings loaded as a scene holds them (the target is the list's second item).
std::vector<hostsim::Position> directEvaluation(const fs::path &mesh, hostsim::Point3 target,
                                                hostsim::VistrelleSettings s) {
    s.targetIndex = 2;
    hostsim::Scene scene;
    scene.items.push_back({"mesh", hostsim::Motion::fixed({}), formats::readObjMesh(mesh)});
    scene.items.push_back({"Target", hostsim::Motion::fixed(target), std::nullopt});
    scene.displacements.push_back({0, "Vistrelle", s.stored()});
    hostsim::Host host(VISTREL_MODULE_FILE, std::move(scene));
    return host.evaluateFrame(host.displacementInstances().front(), 0);
}

// The written points must be the evaluated ones as the OBJ file holds them: rounded to float.
void expectSamePoints(const fs::path &written, const std::vector<hostsim::Position> &expected) {
    const hostsim::Mesh mesh = formats::readObjMesh(written);
    ASSERT_EQ(mesh.points.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        for (std::size_t axis = 0; axis < 3; ++axis)
            ASSERT_EQ(mesh.points[i][axis], static_cast<float>(expected[i][axis]))
                << "point " << i << " axis " << axis;
}

std::size_t tinyObjFaceCount(const fs::path &obj) {
    tinyobj::ObjReader reader;
    tinyobj::ObjReaderConfig config;
    config.triangulate = false;
    if (!reader.ParseFromFile(obj.string(), config)) ADD_FAILURE() << reader.Error();
    std::size_t faces = 0;
    for (const auto &shape : reader.GetShapes()) faces += shape.mesh.num_face_vertices.size();
    return faces;
}

TEST(ApplyMatchesTheHost, DemoMeshWithTargetAtTenZeroZero) {
    const ScratchFolder folder;
    const auto outcome = runVistrelle(
        {"apply", demoMesh.string(), "--target", "10,0,0", "-o", (folder / "out.obj").string()});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    expectSamePoints(folder / "out.obj", directEvaluation(demoMesh, {10, 0, 0}, {}));
    EXPECT_EQ(tinyObjFaceCount(folder / "out.obj"), 3000u);
    EXPECT_EQ(tinyObjFaceCount(folder / "out.obj"), tinyObjFaceCount(demoMesh));
}

TEST(ApplyMatchesTheHost, EveryPivotRuleAndSwitchCombination) {
    const ScratchFolder folder;
    const char *pivots[] = {"first point", "average of first two points",
                            "average of first and last point", "last point"};
    for (std::int32_t pivot = 0; pivot < 4; ++pivot)
        for (std::int32_t h = 0; h < 2; ++h)
            for (std::int32_t p = 0; p < 2; ++p) {
                SCOPED_TRACE("pivot " + std::to_string(pivot) + " h " + std::to_string(h) + " p " +
                             std::to_string(p));
                const fs::path out = folder / ("out" + std::to_string(pivot) + std::to_string(h) +
                                               std::to_string(p) + ".obj");
                const auto outcome =
                    runVistrelle({"apply", cardsMesh.string(), "--target", "-3,2.5,4", "-o",
                                  out.string(), "--pivot", pivots[pivot], "--h-align",
                                  h ? "on" : "off", "--p-align", p ? "on" : "off"});
                ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
                expectSamePoints(
                    out,
                    directEvaluation(
                        cardsMesh, {-3, 2.5, 4},
                        {.leafPoints = 4, .pivotType = pivot, .headingAlign = h, .pitchAlign = p}));
            }
}

TEST(ApplyMatchesTheHost, PivotByNumberAndOtherLeafSize) {
    const ScratchFolder folder;
    const auto outcome = runVistrelle({"apply", cardsMesh.string(), "--target", "1,5,-2", "-o",
                                       (folder / "out.obj").string(), "--pivot", "3",
                                       "--leaf-points", "3", "--p-align", "on"});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    expectSamePoints(
        folder / "out.obj",
        directEvaluation(cardsMesh, {1, 5, -2},
                         {.leafPoints = 3, .pivotType = 3, .headingAlign = 1, .pitchAlign = 1}));
}

TEST(ApplyGltf, DemoBushAsGlbGivesTheSamePointsAsTheObjAndWritesThemAsGlb) {
    const ScratchFolder folder;
    const hostsim::Mesh bush = formats::readObjMesh(demoMesh);
    const std::vector<hostsim::Position> unmoved = hostsim::toPositions(bush.points);
    formats::writeGltfMesh(folder / "bush.glb", bush, formats::surfaceOf(bush, 4), unmoved, "bush");

    const auto fromObj = runVistrelle({"apply", demoMesh.string(), "--target", "3,1,-2",
                                       "--p-align", "on", "-o", (folder / "obj.obj").string()});
    const auto fromGlb = runVistrelle(
        {"apply", (folder / "bush.glb").string(), "--target", "3,1,-2", "--p-align", "on", "-o",
         (folder / "glb.obj").string(), "--gltf", (folder / "glb.glb").string()});
    ASSERT_EQ(fromObj.exitCode, 0) << fromObj.err;
    ASSERT_EQ(fromGlb.exitCode, 0) << fromGlb.err;
    const auto expected =
        directEvaluation(demoMesh, {3, 1, -2},
                         {.leafPoints = 4, .pivotType = 0, .headingAlign = 1, .pitchAlign = 1});
    expectSamePoints(folder / "obj.obj", expected);
    expectSamePoints(folder / "glb.obj", expected);
    const hostsim::Mesh written = formats::readGltfMesh(folder / "glb.glb");
    ASSERT_EQ(written.points.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        for (std::size_t axis = 0; axis < 3; ++axis)
            ASSERT_EQ(written.points[i][axis], static_cast<float>(expected[i][axis])) << i;
    EXPECT_EQ(written.surface->triangles, formats::surfaceOf(bush, 4).triangles)
        << "the faces travel along";
}

TEST(ApplyGltf, UnsupportedGltfFeatureIsOneLineAndExitOne) {
    const ScratchFolder folder;
    std::ofstream(folder / "skin.gltf")
        << R"({"asset":{"version":"2.0"},"nodes":[{}],"skins":[{"joints":[0]}],)"
           R"("meshes":[{"primitives":[{"attributes":{}}]}]})";
    const auto outcome = runVistrelle({"apply", (folder / "skin.gltf").string(), "--target",
                                       "1,0,0", "-o", (folder / "out.obj").string()});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(linesOf(outcome.err).size(), 1u) << outcome.err;
    EXPECT_NE(outcome.err.find("skins are not supported"), std::string::npos) << outcome.err;
    EXPECT_FALSE(fs::exists(folder / "out.obj"));
}

TEST(ApplyOutput, KeepsFacesGroupsAndTextureCoordinates) {
    const ScratchFolder folder;
    ASSERT_EQ(runVistrelle({"apply", cardsMesh.string(), "--target", "0,0,9", "-o",
                            (folder / "out.obj").string()})
                  .exitCode,
              0);
    const auto kept = [](const fs::path &obj) {
        std::vector<std::string> lines;
        for (const std::string &line : linesOf(fileText(obj)))
            if (!line.starts_with("v ") && !line.starts_with("vn ")) lines.push_back(line);
        return lines;
    };
    EXPECT_EQ(kept(folder / "out.obj"), kept(cardsMesh));
    EXPECT_EQ(tinyObjFaceCount(folder / "out.obj"), 3u);
}

TEST(ApplyOutput, PictureWhenAskedAndAOneLineSummary) {
    const ScratchFolder folder;
    const auto outcome =
        runVistrelle({"apply", cardsMesh.string(), "--target", "0,0,9", "-o",
                      (folder / "out.obj").string(), "--svg", (folder / "out.svg").string()});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    const std::string svg = fileText(folder / "out.svg");
    EXPECT_NE(svg.find(">Target<"), std::string::npos) << "the target is marked and named";
    EXPECT_NE(svg.find("Target object Target"), std::string::npos);
    ASSERT_EQ(linesOf(outcome.out).size(), 1u) << outcome.out;
    EXPECT_NE(outcome.out.find("3 leaves"), std::string::npos) << outcome.out;
    EXPECT_EQ(outcome.err, "");
}

// One line on stderr naming the option, exit code 2 (a usage error), nothing written.
void expectRefused(std::vector<std::string> options, const std::string &mentioned) {
    const ScratchFolder folder;
    std::vector<std::string> arguments{"apply", cardsMesh.string(), "-o",
                                       (folder / "out.obj").string()};
    arguments.insert(arguments.end(), options.begin(), options.end());
    const auto outcome = runVistrelle(arguments);
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(outcome.out, "");
    ASSERT_EQ(linesOf(outcome.err).size(), 1u) << outcome.err;
    EXPECT_NE(outcome.err.find(mentioned), std::string::npos) << outcome.err;
    EXPECT_FALSE(fs::exists(folder / "out.obj"));
}

TEST(ApplyRefuses, BadTargets) {
    for (const char *target : {"1,2", "1,2,3,4", "a,b,c", "1,,3", "1,2,inf", "1;2;3"}) {
        SCOPED_TRACE(target);
        expectRefused({"--target", target}, "--target");
    }
}

TEST(ApplyRefuses, UnknownPivotTextAndNumber) {
    for (const char *pivot : {"middle", "First point", "4", "-1"}) {
        SCOPED_TRACE(pivot);
        expectRefused({"--target", "1,2,3", "--pivot", pivot}, "--pivot");
    }
}

TEST(ApplyRefuses, BadSwitchesAndLeafSizes) {
    expectRefused({"--target", "1,2,3", "--h-align", "yes"}, "--h-align");
    expectRefused({"--target", "1,2,3", "--p-align", "1"}, "--p-align");
    expectRefused({"--target", "1,2,3", "--leaf-points", "1"}, "--leaf-points");
}

TEST(ApplyRefuses, MissingMesh) {
    const ScratchFolder folder;
    const auto outcome = runVistrelle({"apply", (folder / "none.obj").string(), "--target", "1,2,3",
                                       "-o", (folder / "out.obj").string()});
    EXPECT_EQ(outcome.exitCode, 1);
    ASSERT_EQ(linesOf(outcome.err).size(), 1u) << outcome.err;
    EXPECT_NE(outcome.err.find("none.obj"), std::string::npos) << outcome.err;
}

}  // namespace
