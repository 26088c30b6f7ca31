// run_machinery: the machinery of `vistrelle run` on a plain scene (tests/platforms/plain_scene.h),
// so that a build without the scene file reader proves it under Wine; scripts/test-extra-windows
// runs it.
//   run_machinery play MODULE PLAIN_SCENE JOBS OUT [TIMEOUT]
//       plays every frame of the scene with JOBS worker processes (cli/frame_workers.h) and writes
//       every displaced point as little-endian doubles, in frame and point order; a stop, a
//       module's crash, exit or a frame past TIMEOUT seconds end it as they end a run
//   run_machinery stop MODULE PLAIN_SCENE [HANDED_ON]
//       plays the scene's frames one after another, waiting for a stop: with a module that never
//       returns, a stop ends it in the module call with the run's line. HANDED_ON, when given, is
//       written with each frame's number once it is handed on, so that a test can stop the run
//       after a known frame instead of after a guessed time
#include "cli/frame_worker_processes.h"
#include "cli/frame_workers.h"
#include "cli/module_watch.h"
#include "cli/progress_line.h"
#include "cli/stop_signals.h"
#include "hostsim/host.h"
#include "hostsim/host_error.h"
#include "tests/platforms/plain_scene.h"

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

std::string stopPlace(std::int32_t frame, std::int32_t first) {
    return " at frame " + std::to_string(frame) + ": " +
           (frame == first ? std::string("no frame was written")
                           : "frames " + std::to_string(first) + " to " +
                                 std::to_string(frame - 1) + " are written whole");
}

int play(int argc, char **argv) {
    const std::string mode = argv[1];
    const char *module = argv[2];
    hostsim::Scene scene = platforms::sceneOfPlainBytes(platforms::readBytes(argv[3]), argv[3]);
    const hostsim::FrameRange frames = scene.frames;
    cli::StopSignals::catchUntilExit();
    cli::StopSignals::stopInModuleCalls(stopPlace(frames.start, frames.start));
    const cli::ModuleWatch watch(module);
    std::string worker;
    for (int i = 4; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--worker") == 0) worker = argv[i + 1];
    if (mode == "play" && argc > 6 && std::strcmp(argv[6], "--worker") != 0)
        cli::ModuleWatch::limitFrames(static_cast<unsigned>(std::stoul(argv[6])));
    hostsim::Host host(module, std::move(scene));
    std::vector<std::byte> out;
    cli::ProgressLine progress(false);
    cli::FrameHandlers handlers;
    handlers.settle = [] {};
    handlers.write = [](std::int32_t, const std::vector<hostsim::DisplacedObject> &) {
        return cli::WrittenFiles{};
    };
    handlers.sink = [&](std::int32_t frame, const std::vector<hostsim::DisplacedObject> &objects,
                        const cli::WrittenFiles &) {
        for (const hostsim::DisplacedObject &object : objects) {
            const auto *begin = reinterpret_cast<const std::byte *>(object.positions.data());
            out.insert(out.end(), begin, begin + object.positions.size_bytes());
        }
        progress.update(frame - frames.start + 1, frames.end - frames.start + 1, 0);
        cli::StopSignals::stopInModuleCalls(stopPlace(frame + 1, frames.start));
        if (mode == "stop" && argc > 4) {
            const std::string number = std::to_string(frame);
            const auto *text = reinterpret_cast<const std::byte *>(number.data());
            platforms::writeBytes(argv[4], std::vector<std::byte>(text, text + number.size()));
        }
    };
    handlers.discard = [](const std::vector<std::int32_t> &) {};
    if (!worker.empty()) {
        cli::StopSignals::actByDefault();
        cli::ModuleWatch::reportTo(cli::parseWorkerOrder(worker).fd);
        cli::serveFrames(host, handlers, frames.start, cli::parseWorkerOrder(worker));
    }
    const unsigned jobs = mode == "play" ? static_cast<unsigned>(std::stoul(argv[4])) : 1;
    try {
        cli::playFrames(host, frames.start, frames.end, 1, jobs, handlers);
    } catch (const cli::RunStopped &stop) {
        progress.finish();
        std::cerr << "run_machinery: stopped by " << cli::signalName(stop.signal()) << '\n';
        return 128 + stop.signal();
    }
    if (mode == "play") platforms::writeBytes(argv[5], out);
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    try {
        if (argc >= 6 && std::strcmp(argv[1], "play") == 0) return play(argc, argv);
        if (argc >= 4 && std::strcmp(argv[1], "stop") == 0) return play(argc, argv);
    } catch (const std::exception &error) {
        std::cerr << error.what() << '\n';
        return 1;
    }
    std::cerr << "usage: run_machinery play MODULE PLAIN_SCENE JOBS OUT [TIMEOUT] | stop MODULE "
                 "PLAIN_SCENE [HANDED_ON]\n";
    return 2;
}
