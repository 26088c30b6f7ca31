// The record a run leaves in its folder, OUT/vistrelle-run.json: which scene, module and settings
// made the files, which frames are there, and what the pages and the .glb animations need of each
// frame, so that `vistrelle assemble` can put the folders of runs over parts of a range together
// without playing any frame again. It holds nothing of the run itself (no time, path or host), so
// that one run of frames writes the same record as the runs of its parts put together. A run
// removes the record before its first frame and writes it after its last file: a folder with a
// record holds every file it names.
#pragma once

#include "formats/glb_animation_layout.h"
#include "formats/point_budget.h"
#include "hostsim/point3.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace cli {

inline constexpr const char *runRecordName = "vistrelle-run.json";

struct RecordedObject {
    std::string name;
    std::string stem;
    formats::GlbAnimationLayout glb;  // its frames count is left 0; the record's frames count
};

struct RecordedFrame {
    std::int32_t frame = 0;
    double seconds = 0.0;
    std::optional<hostsim::Point3> target;  // of the first object, for the viewer page
};

struct RunRecord {
    std::string scene;   // hash of the scene file and every file read for it
    std::string module;  // hash of the module file
    bool obj = true, svg = true, gltf = false;
    std::int32_t every = 1;
    double framesPerSecond = 24.0;
    int digits = 4;
    // What the viewer page shows of the first object.
    std::string caption;
    int leafPoints = 0;
    std::int32_t pivotRule = 0;
    std::vector<RecordedObject> objects;
    std::vector<RecordedFrame> frames;  // in ascending order

    // Whether the two record the same scene, module, settings and objects (their frames aside).
    bool sameMaking(const RunRecord &other) const;
};

// A hash of the bytes of the files, in order (16 hex digits); throws HostError when one cannot be
// read.
std::string filesHash(const std::vector<std::filesystem::path> &files);

// Removes FOLDER's record, so that a run stopped before its end leaves none, and begins the run's:
// the hashes of the files it read (`read`) and of its module.
RunRecord startRecord(const std::filesystem::path &folder, const formats::PointBudget &read,
                      const std::filesystem::path &module);

// Writes FOLDER/vistrelle-run.json whole (a temporary file renamed into place).
void writeRunRecord(const std::filesystem::path &folder, const RunRecord &record);

// Removes FOLDER/vistrelle-run.json if it is there; throws HostError when it cannot.
void removeRunRecord(const std::filesystem::path &folder);

// Reads FOLDER/vistrelle-run.json as untrusted input: a regular file of bounded size, every value
// checked (names that make no file outside the folder, frames ascending, sizes that fit). Throws
// HostError "<file>: <what>" in one line.
RunRecord readRunRecord(const std::filesystem::path &folder);

}  // namespace cli
