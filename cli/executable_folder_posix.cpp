// The executable's folder from /proc/self/exe, the file the system started.
#include "cli/install_layout.h"

#include <system_error>

namespace cli {

std::filesystem::path executableFolder() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : self.parent_path();
}

}  // namespace cli
