// Outputs that would destroy inputs or each other. Before a command writes, every output path that
// is the same file as an input (the scene, a mesh, a glTF buffer or image, the module) or as
// another output of the same command is refused with one line, unless --force; and a run holds an
// advisory lock on its output folder, so that a second run into the same folder refuses at once,
// naming the first one's process.
#pragma once

#include "formats/point_budget.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace cli {

class SameFileGuard {
  public:
    // `what` names the input in the refusal: "the scene", "the module", "a mesh".
    void addInput(const std::filesystem::path &file, std::string what);
    // Every file reading took in or refers to: the scene, meshes, glTF buffers and images.
    void addInputs(const formats::PointBudget &read);

    // Refuses `output` (HostError "<output>: is the same file as <what> <path> (--force writes it
    // anyway)") when it is the same file as an input or an output checked before, by path or, when
    // it exists, by identity (links and hard links included); notes it as an output otherwise.
    // "-" (standard output) is never refused.
    void checkOutput(const std::filesystem::path &output, bool force);

  private:
    struct Known {
        std::filesystem::path path;      // as given
        std::filesystem::path absolute;  // weakly canonical
        bool exists = false;
        std::uintmax_t device = 0;
        std::uintmax_t inode = 0;
        std::string what;
    };
    static Known knownFile(const std::filesystem::path &file, std::string what);
    std::vector<Known> known_;
};

// An advisory lock on a run's output folder, held until destroyed (and by the workers forked
// meanwhile). HostError "<folder>: another vistrelle run (process N) is writing into it" when a run
// holds it already.
class FolderLock {
  public:
    explicit FolderLock(const std::filesystem::path &folder);
    ~FolderLock();
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

  private:
    int fd_ = -1;
};

}  // namespace cli
