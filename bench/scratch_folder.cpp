#include "bench/scratch_folder.h"

#include <unistd.h>

#include <string>
#include <system_error>

#include "hostsim/host_error.h"

namespace bench {

ScratchFolder::ScratchFolder() {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0;; ++attempt) {
        path_ = base / ("vistrel-bench-" + std::to_string(getpid()) + "-" + std::to_string(attempt));
        std::error_code error;
        if (std::filesystem::create_directory(path_, error)) return;
        if (error) throw hostsim::HostError(path_.string() + ": cannot make the scratch folder: " + error.message());
    }
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace bench
