// A scene file driven through the stand-in host with the module loaded by path: the data block of a
// displacement is exactly what the module's save writes and what its load reads, a displaced mesh
// written as OBJ reads back as the positions the module gave, a saved scene keeps the settings, and
// a card the module turned toward a target shows its facing colour in a picture taken from the
// target.
#include <gtest/gtest.h>

#include "formats/obj_document.h"
#include "formats/obj_mesh.h"
#include "formats/scene_file.h"
#include "formats/svg_picture.h"
#include "hostsim/host.h"
#include "testkit/scratch_folder.h"

namespace {

const std::filesystem::path testData = VISTREL_TEST_DATA;

TEST(SceneFileThroughHost, DataBlockIsWhatTheModuleLoadsAndSaves) {
    hostsim::Host host(VISTREL_MODULE_FILE, formats::readSceneFile(testData / "garden.json"));
    const auto &instances = host.displacementInstances();
    ASSERT_EQ(instances.size(), 2u);
    // Bush: points 4, target 2 (the second item, "Bee"), pivot 0, H Align on, P Align off.
    EXPECT_EQ(host.save(instances[0]), (std::vector<std::int32_t>{4, 2, 0, 1, 0}));
    EXPECT_EQ(host.describe(instances[0]), "Vistrelobject: Bee");
    // Card has no data block: created and never loaded, so it keeps the creation settings.
    EXPECT_EQ(host.save(instances[1]), (std::vector<std::int32_t>{4, 0, 0, 1, 0}));
}

TEST(SceneFileThroughHost, SavedSettingsReadBackIntoTheModule) {
    testkit::ScratchFolder dir;
    hostsim::Scene scene = formats::readSceneFile(testData / "garden.json");
    {
        hostsim::Host host(VISTREL_MODULE_FILE, scene);
        void *card = host.displacementInstances()[1];
        host.load(card, {3, 1, 2, 0, 1});
        scene.displacements[1].data = host.save(card);
    }
    formats::writeSceneFile(dir.path() / "scene.json", scene);
    hostsim::Host host(VISTREL_MODULE_FILE, formats::readSceneFile(dir.path() / "scene.json"));
    EXPECT_EQ(host.save(host.displacementInstances()[1]),
              (std::vector<std::int32_t>{3, 1, 2, 0, 1}));
    EXPECT_EQ(host.describe(host.displacementInstances()[1]), "Vistrelobject: Camera");
}

TEST(SceneFileThroughHost, DisplacedMeshWrittenAsObjReadsBackAsTheModuleGaveIt) {
    testkit::ScratchFolder dir;
    const hostsim::Scene scene = formats::readSceneFile(testData / "garden.json");
    hostsim::Host host(VISTREL_MODULE_FILE, scene);
    const std::vector<hostsim::Position> moved =
        host.evaluateFrame(host.displacementInstances()[0], 24);
    const hostsim::Mesh &bush = *scene.items[2].mesh;
    ASSERT_EQ(moved.size(), bush.points.size());
    EXPECT_NE(moved[1],
              (hostsim::Position{bush.points[1][0], bush.points[1][1], bush.points[1][2]}))
        << "the leaf turned";

    formats::writeObjMesh(dir.path() / "moved.obj", bush, moved);
    const hostsim::Mesh written = formats::readObjMesh(dir.path() / "moved.obj");
    ASSERT_EQ(written.points.size(), moved.size());
    for (std::size_t i = 0; i < moved.size(); ++i) {
        for (std::size_t k = 0; k < 3; ++k)
            EXPECT_EQ(written.points[i][k], static_cast<float>(moved[i][k])) << "point " << i;
    }
    EXPECT_EQ(written.obj->faceCount(), bush.obj->faceCount());
}

TEST(ColourRule, SingleCardTurnedTowardTheTargetShowsItsFacingColourSeenFromTheTarget) {
    // A card in the XY plane wound clockwise about +Z (right-handed): its local -Z points to +Z,
    // away from the target at -Z, so the module turns it right round.
    hostsim::Scene scene;
    hostsim::Mesh card;
    card.points = {{0, 1, 0}, {1, 1, 0}, {1, 0, 0}, {0, 0, 0}};
    const hostsim::Point3 target{0.5, 0.5, -10};
    scene.items.push_back({"Card", hostsim::Motion::fixed({}), card});
    scene.items.push_back({"Target", hostsim::Motion::fixed(target), std::nullopt});
    scene.displacements.push_back({0, "Vistrelle", std::vector<std::int32_t>{4, 2, 0, 1, 1}});
    hostsim::Host host(VISTREL_MODULE_FILE, scene);
    const std::vector<hostsim::Position> moved =
        host.evaluateFrame(host.displacementInstances()[0], 0);

    formats::SvgFrame picture;
    picture.base = card.points;
    picture.displaced = moved;
    picture.camera = formats::Camera{target, {0.5, 0.5, 0}, 0.5};
    const std::string svg = formats::renderSvg(picture);
    const std::size_t before = svg.find("<polygon class=\"");
    const std::size_t after = svg.find("<polygon class=\"", before + 1);
    ASSERT_NE(after, std::string::npos);
    EXPECT_EQ(svg.substr(before + 16, 4), "far\"")
        << "before the turn the target sees the other side";
    EXPECT_EQ(svg.substr(after + 16, 7), "facing\"") << "after the turn it sees the facing side";
}

}  // namespace
