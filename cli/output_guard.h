// Outputs that would destroy inputs or each other. Before a command writes, every output path that
// is the same file as an input (the scene, a mesh, a glTF buffer or image, the module) or as
// another output of the same command is refused with one line, unless --force; and a run holds an
// advisory lock on its output folder, so that a second run into the same folder refuses at once,
// naming the first one's process.
#pragma once

#include "formats/point_budget.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace cli {

// What tells one file from every other on the system, whatever names and links lead to it: the
// device and inode numbers, or on Windows the volume's serial number and the file's index.
struct FileIdentity {
    std::uintmax_t device = 0;
    std::uintmax_t file = 0;
    bool operator==(const FileIdentity &) const = default;
};

// The identity of the file `file` names (links followed), or nullopt when there is none.
std::optional<FileIdentity> fileIdentity(const std::filesystem::path &file);

// The name the file at `file` has on the disk, which on Windows may differ in case from the one
// given; nullopt when there is no file.
std::optional<std::string> nameOnDisk(const std::filesystem::path &file);

class SameFileGuard {
  public:
    // `what` names the input in the refusal: "the scene", "the module", "a mesh".
    void addInput(const std::filesystem::path &file, std::string what);
    // Every file reading took in or refers to: the scene, meshes, glTF buffers and images.
    void addInputs(const formats::PointBudget &read);

    // Refuses `output` (HostError "<output>: is the same file as <what> <path> (--force writes it
    // anyway)") when it is the same file as an input or an output checked before, by path (as the
    // system compares paths) or, when it exists, by identity (links and hard links included);
    // notes it as an output otherwise. Refuses a name the system would not keep (on Windows a
    // device's name, a final dot or space), and unless `force` one the system takes for an
    // existing file whose name differs in case. "-" (standard output) is never refused.
    void checkOutput(const std::filesystem::path &output, bool force);

  private:
    struct Known {
        std::filesystem::path path;            // as given
        std::filesystem::path absolute;        // weakly canonical
        std::string compared;                  // the absolute path as the system compares paths
        std::optional<FileIdentity> identity;  // when it exists
        std::string what;
    };
    static Known knownFile(const std::filesystem::path &file, std::string what);
    std::vector<Known> known_;
};

// A lock on a run's output folder, held until destroyed: on POSIX systems an advisory lock on the
// folder (held by the workers forked meanwhile too); on Windows a lock on the file vistrelle.lock
// in it, whose text names the process that holds it (removed when the lock goes). HostError
// "<folder>: another vistrelle run (process N ...) is writing into this folder; ..." when a run
// holds it already.
class FolderLock {
  public:
    explicit FolderLock(const std::filesystem::path &folder);
    ~FolderLock();
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

  private:
    std::intptr_t handle_ = -1;  // the folder's descriptor, or on Windows the lock file's HANDLE
};

}  // namespace cli
