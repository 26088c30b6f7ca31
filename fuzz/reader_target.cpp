// The libFuzzer target of the file readers: the first byte of an input chooses the reader (.gltf,
// .glb, OBJ or scene file by its value modulo 4; 0xFF alone the record a run leaves in its
// folder, which vistrelle assemble reads), the rest is the file. It lies in a private folder beside
// a small OBJ file and a small buffer file that documents may name. A reader may refuse an input
// only with a HostError; any other exception aborts, so that libFuzzer keeps the input as a crash,
// as do the sanitizers.
#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>

#include "cli/run_record.h"
#include "formats/mesh_file.h"
#include "formats/point_budget.h"
#include "formats/scene_file.h"
#include "hostsim/host_error.h"

namespace {

namespace fs = std::filesystem;

// Small enough that an input cannot make the fuzzer run out of memory, large enough for every seed.
constexpr std::uint64_t fuzzMaxPoints = 1'000'000;
constexpr std::uint64_t fuzzFreeBytes = std::uint64_t{1} << 30;

constexpr std::array<const char *, 4> inputNames{"input.gltf", "input.glb", "input.obj",
                                                 "input.json"};

fs::path &folder() {
    static fs::path path;
    return path;
}

void writeFile(const fs::path &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    std::string pattern = (fs::temp_directory_path() / "vistrel-readers-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        std::abort();
    }
    folder() = pattern;
    writeFile(folder() / "leaves.obj",
              "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nf 1/1 2/1 3/1 4/1\n");
    std::string floats(36, '\0');
    const std::array<float, 9> values{0, 0, 0, 1, 0, 0, 1, 1, 0};
    std::memcpy(floats.data(), values.data(), floats.size());
    writeFile(folder() / "buffer.bin", floats);
    std::atexit([] { fs::remove_all(folder()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size == 0) return 0;
    if (data[0] == 0xFF) {
        const fs::path record = folder() / "run";
        fs::create_directories(record);
        writeFile(record / cli::runRecordName,
                  std::string(reinterpret_cast<const char *>(data) + 1, size - 1));
        try {
            cli::readRunRecord(record);
        } catch (const hostsim::HostError &) {
        } catch (const std::exception &error) {
            std::fprintf(stderr, "not a HostError: %s\n", error.what());
            std::abort();
        }
        return 0;
    }
    const std::size_t kind = data[0] % inputNames.size();
    const fs::path input = folder() / inputNames[kind];
    writeFile(input, std::string(reinterpret_cast<const char *>(data) + 1, size - 1));
    try {
        formats::PointBudget budget(fuzzMaxPoints, fuzzFreeBytes);
        if (kind == 3)
            formats::readSceneFile(input, budget);
        else
            formats::readMeshFile(input, budget);
    } catch (const hostsim::HostError &) {
        // a refusal: what a reader must do with a bad file
    } catch (const std::exception &error) {
        std::fprintf(stderr, "not a HostError: %s\n", error.what());
        std::abort();
    }
    fs::remove(input);
    return 0;
}
