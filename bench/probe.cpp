// vistrel_probe: plays a fixed number of frames of one figure with nothing else around it, for
// counting instructions (valgrind --tool=callgrind) or sampling (perf record), where the timed,
// self-adjusting runs of vistrel_bench are in the way.
//
//   vistrel_probe evaluate 65536 4     # 4 frames of evaluate on the demo bush of 65536 points
//   vistrel_probe evaluate 65536 4 other/vistrel.p    # the same with another build of the module
//
// Figures: reference, reference+angles, peer, evaluate, scan, walk, query, host, frame, frame+obj.
// The bush is made before the first frame; with callgrind, --toggle-collect='bench::play*' counts
// the frames alone.
#include <array>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "bench/demo_scenes.h"
#include "bench/driven_instance.h"
#include "bench/host_work.h"
#include "bench/matrix_peer.h"
#include "bench/reference_turn.h"
#include "formats/obj_mesh.h"
#include "hostsim/host.h"
#include "testkit/scratch_folder.h"

namespace bench {

using Positions = std::vector<hostsim::Position>;

// Each playX plays `frames` frames of one figure; their names are what --toggle-collect picks up.
void playReference(const hostsim::Scene &scene, int frames, bool withLeafAngles) {
    const ReferenceTurn reference(scene);
    Positions out(reference.turnedPoints());
    for (int k = 0; k < frames; ++k) {
        if (withLeafAngles)
            reference.playFrameWithLeafAngles(DemoScenes::frameOf(scene.frames, k), out);
        else
            reference.playFrame(DemoScenes::frameOf(scene.frames, k), out);
    }
}

void playPeer(const hostsim::Scene &scene, int frames) {
    const MatrixPeer peer(scene);
    Positions out(peer.turnedPoints());
    for (int k = 0; k < frames; ++k) peer.playFrame(DemoScenes::frameOf(scene.frames, k), out);
}

void playEvaluate(const std::filesystem::path &module, const hostsim::Scene &scene, int frames) {
    DrivenInstance driven(module, scene);
    Positions out(driven.points());
    for (int k = 0; k < frames; ++k) driven.playFrame(DemoScenes::frameOf(scene.frames, k), out);
}

void playScan(const std::filesystem::path &module, const hostsim::Scene &scene, int frames) {
    DrivenInstance driven(module, scene);
    for (int k = 0; k < frames; ++k) driven.scanFrame(DemoScenes::frameOf(scene.frames, k));
}

void playHostWork(const std::filesystem::path &module, const hostsim::Scene &scene, int frames) {
    HostWork work(module, scene);
    for (int k = 0; k < frames; ++k) work.playFrame(DemoScenes::frameOf(scene.frames, k));
}

void playWalk(const std::filesystem::path &module, const hostsim::Scene &scene, int frames) {
    HostWork work(module, scene);
    for (int k = 0; k < frames; ++k) work.walkMesh();
}

void playQuery(const std::filesystem::path &module, const hostsim::Scene &scene, int frames) {
    HostWork work(module, scene);
    for (int k = 0; k < frames; ++k) work.askTarget(DemoScenes::frameOf(scene.frames, k));
}

void playRunFrames(const std::filesystem::path &module, const hostsim::Scene &scene, int frames,
                   const std::filesystem::path *objFile) {
    hostsim::Host host(module, scene);
    const hostsim::Mesh &bush = *host.scene().scene().items.at(bushItem).mesh;
    for (int k = 0; k < frames; ++k) {
        const auto displaced = host.runFrame(DemoScenes::frameOf(scene.frames, k));
        if (objFile) formats::writeObjMesh(*objFile, bush, displaced.at(0).positions);
    }
}

}  // namespace bench

int main(int argc, char **argv) {
    if (argc != 4 && argc != 5) {
        std::cerr << "usage: vistrel_probe "
                     "reference|reference+angles|peer|evaluate|scan|walk|query|host|frame|frame+"
                     "obj POINTS FRAMES [MODULE]\n"
                     "example: vistrel_probe evaluate 65536 4\n";
        return 2;
    }
    const std::string figure = argv[1];
    const auto points = std::strtoull(argv[2], nullptr, 10);
    const int frames = std::atoi(argv[3]);
    if (points == 0 || points % 4 != 0 || frames <= 0) {
        std::cerr << "vistrel_probe: POINTS must be a positive multiple of 4 and FRAMES positive\n";
        return 2;
    }
    try {
        const testkit::ScratchFolder scratch;
        bench::DemoScenes scenes(scratch.path(), argc == 5 ? argv[4] : VISTREL_MODULE_FILE);
        const std::filesystem::path &module = scenes.module();
        const hostsim::Scene &scene = scenes.withPoints(points);
        const std::filesystem::path objFile = scratch.path() / "Bush.frame.obj";
        if (figure == "reference")
            bench::playReference(scene, frames, false);
        else if (figure == "reference+angles")
            bench::playReference(scene, frames, true);
        else if (figure == "peer")
            bench::playPeer(scene, frames);
        else if (figure == "evaluate")
            bench::playEvaluate(module, scene, frames);
        else if (figure == "scan")
            bench::playScan(module, scene, frames);
        else if (figure == "host")
            bench::playHostWork(module, scene, frames);
        else if (figure == "walk")
            bench::playWalk(module, scene, frames);
        else if (figure == "query")
            bench::playQuery(module, scene, frames);
        else if (figure == "frame")
            bench::playRunFrames(module, scene, frames, nullptr);
        else if (figure == "frame+obj")
            bench::playRunFrames(module, scene, frames, &objFile);
        else {
            std::cerr << "vistrel_probe: unknown figure \"" << figure
                      << "\", expected reference, reference+angles, peer, evaluate, scan, walk, "
                         "query, host, frame or frame+obj\n";
            return 2;
        }
    } catch (const std::exception &error) {
        std::cerr << "vistrel_probe: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
