// Making output folders, and guarding files a command would only write by implication.
#include "cli/output_folder.h"

#include "formats/text/text_file.h"
#include "hostsim/host_error.h"

#include <string>
#include <system_error>

namespace cli {

namespace fs = std::filesystem;

void makeOutputFolder(const fs::path &folder) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) throw hostsim::HostError::at(folder, "cannot make the folder: " + error.message());
    if (!fs::is_directory(folder, error))
        throw hostsim::HostError::at(folder,
                                     "cannot make the folder: a file of that name is in the way");
}

void makeFolderOf(const fs::path &file) {
    if (file == formats::standardOutput || !file.has_parent_path()) return;
    makeOutputFolder(file.parent_path());
}

void refuseToReplace(const fs::path &file, bool force, const char *why) {
    std::error_code error;
    if (force || !fs::exists(fs::symlink_status(file, error))) return;
    throw hostsim::HostError::at(file, std::string("exists; ") + why + " (--force replaces it)");
}

}  // namespace cli
