// The module alone, for bench/python_turn.py to time beside the C interface and the package in one
// process: a scene made of the caller's points, target keys and settings, played by DrivenInstance
// over a private copy of vistrel.p (the C interface loads the file itself, and one loaded copy of
// the module serves one host). Each entry answers 0 or a null handle on failure, with one line on
// stderr, and never lets an exception out.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include <unistd.h>

#include "bench/demo_scenes.h"
#include "bench/driven_instance.h"

namespace {

struct ModuleAlone {
    std::filesystem::path copy;
    std::unique_ptr<bench::DrivenInstance> driven;
    std::vector<hostsim::Position> out;

    ~ModuleAlone() {
        driven.reset();
        std::error_code ignored;
        std::filesystem::remove(copy, ignored);
    }
};

}  // namespace

extern "C" {

/* When: first, once per scene.  Thread: any, one at a time.  Owner: the caller keeps every pointer
   for the call only; the answer is the caller's until vistrel_bench_close.  Null: none accepted.
   Answers: a handle, or null when the scene was refused. */
__attribute__((visibility("default"))) void *vistrel_bench_open(
    const char *module, const float *points, std::size_t count, const double *keyTimes,
    const double *keyPositions, std::size_t keys, const std::int32_t *settings,
    std::size_t settingCount) {
    try {
        auto alone = std::make_unique<ModuleAlone>();
        alone->copy = std::filesystem::temp_directory_path() /
                      ("vistrel-alone-" + std::to_string(::getpid()) + "-" +
                       std::filesystem::path(module).filename().string());
        std::filesystem::copy_file(module, alone->copy,
                                   std::filesystem::copy_options::overwrite_existing);
        hostsim::Scene scene;
        hostsim::Item camera{"Camera", {}, std::nullopt};
        for (std::size_t k = 0; k < keys; ++k)
            camera.motion.keys.push_back(
                {keyTimes[k],
                 {keyPositions[3 * k], keyPositions[3 * k + 1], keyPositions[3 * k + 2]}});
        hostsim::Mesh mesh;
        for (std::size_t i = 0; i < count; ++i)
            mesh.points.push_back({points[3 * i], points[3 * i + 1], points[3 * i + 2]});
        scene.items.push_back(std::move(camera));
        scene.items.push_back({"Bush", hostsim::Motion::fixed({0, 0, 0}), std::move(mesh)});
        scene.displacements.push_back(
            {bench::bushItem, "Vistrelle",
             std::vector<std::int32_t>(settings, settings + settingCount)});
        alone->driven = std::make_unique<bench::DrivenInstance>(alone->copy, scene);
        alone->out.resize(count);
        return alone.release();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "module alone: %s\n", e.what());
        return nullptr;
    }
}

/* When: between open and close.  Thread: the one that opened it.  Owner: the handle stays the
   caller's.  Null: answers 0.  Answers: the nanoseconds newTime and the evaluate of every point
   took at `frame`, or 0 on failure. */
__attribute__((visibility("default"))) std::int64_t vistrel_bench_play(void *handle,
                                                                       std::int32_t frame) {
    if (handle == nullptr) return 0;
    try {
        auto &alone = *static_cast<ModuleAlone *>(handle);
        const auto started = std::chrono::steady_clock::now();
        alone.driven->playFrame(frame, alone.out);
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now() - started)
            .count();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "module alone: %s\n", e.what());
        return 0;
    }
}

/* When: last.  Thread: the one that opened it.  Owner: takes the handle back.  Null: nothing
   happens.  Answers: nothing. */
__attribute__((visibility("default"))) void vistrel_bench_close(void *handle) {
    delete static_cast<ModuleAlone *>(handle);
}
}
