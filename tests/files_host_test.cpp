// A scene file driven through the stand-in host with the module loaded by path: the data block of a
// displacement is exactly what the module's save writes and what its load reads, a displaced mesh
// written as OBJ reads back as the positions the module gave, and a saved scene keeps the settings.
#include <gtest/gtest.h>

#include "hostsim/host.h"
#include "hostsim/obj_document.h"
#include "hostsim/obj_mesh.h"
#include "hostsim/scene_file.h"
#include "tests/files_temp_dir.h"

namespace {

const std::filesystem::path kData = VISTREL_TEST_DATA;

TEST(SceneFileThroughHost, DataBlockIsWhatTheModuleLoadsAndSaves) {
    hostsim::Host host(VISTREL_MODULE_FILE, hostsim::readSceneFile(kData / "garden.json"));
    const auto &instances = host.displacementInstances();
    ASSERT_EQ(instances.size(), 2u);
    // Bush: points 4, target 2 (the second item, "Bee"), pivot 0, H Align on, P Align off.
    EXPECT_EQ(host.save(instances[0]), (std::vector<std::int32_t>{4, 2, 0, 1, 0}));
    EXPECT_EQ(host.describe(instances[0]), "Vistrelobject: Bee");
    // Card has no data block: created and never loaded, so it keeps the creation settings.
    EXPECT_EQ(host.save(instances[1]), (std::vector<std::int32_t>{4, 0, 0, 1, 0}));
}

TEST(SceneFileThroughHost, SavedSettingsReadBackIntoTheModule) {
    files_test::TempDir dir;
    hostsim::Scene scene = hostsim::readSceneFile(kData / "garden.json");
    {
        hostsim::Host host(VISTREL_MODULE_FILE, scene);
        void *card = host.displacementInstances()[1];
        host.load(card, {3, 1, 2, 0, 1});
        scene.displacements[1].data = host.save(card);
    }
    hostsim::writeSceneFile(dir.path() / "scene.json", scene);
    hostsim::Host host(VISTREL_MODULE_FILE, hostsim::readSceneFile(dir.path() / "scene.json"));
    EXPECT_EQ(host.save(host.displacementInstances()[1]), (std::vector<std::int32_t>{3, 1, 2, 0, 1}));
    EXPECT_EQ(host.describe(host.displacementInstances()[1]), "Vistrelobject: Camera");
}

TEST(SceneFileThroughHost, DisplacedMeshWrittenAsObjReadsBackAsTheModuleGaveIt) {
    files_test::TempDir dir;
    const hostsim::Scene scene = hostsim::readSceneFile(kData / "garden.json");
    hostsim::Host host(VISTREL_MODULE_FILE, scene);
    const std::vector<hostsim::Position> moved = host.evaluateFrame(host.displacementInstances()[0], 24);
    const hostsim::Mesh &bush = *scene.items[2].mesh;
    ASSERT_EQ(moved.size(), bush.points.size());
    EXPECT_NE(moved[1], (hostsim::Position{bush.points[1][0], bush.points[1][1], bush.points[1][2]})) << "the leaf turned";

    hostsim::writeObjMesh(dir.path() / "moved.obj", bush, moved);
    const hostsim::Mesh written = hostsim::readObjMesh(dir.path() / "moved.obj");
    ASSERT_EQ(written.points.size(), moved.size());
    for (std::size_t i = 0; i < moved.size(); ++i) {
        for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(written.points[i][k], static_cast<float>(moved[i][k])) << "point " << i;
    }
    EXPECT_EQ(written.obj->faceCount(), bush.obj->faceCount());
}

}  // namespace
