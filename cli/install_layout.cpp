// The command's files found relative to the folder of its executable.
#include "cli/install_layout.h"

#include <array>
#include <system_error>

namespace cli {

namespace fs = std::filesystem;

fs::path defaultModulePath() {
    const fs::path folder = executableFolder();
    const fs::path installed = folder / ".." / "lib" / "vistrelle" / "vistrel.p";
    const std::array candidates{folder / "vistrel.p", installed,
                                folder / ".." / "module" / "vistrel.p"};
    for (const fs::path &candidate : candidates) {
        std::error_code error;
        if (fs::is_regular_file(candidate, error)) return candidate.lexically_normal();
    }
    return installed.lexically_normal();
}

fs::path sharedFilePath(std::string_view name) {
    // An unpacked archive holds it beside the executable.
    const fs::path beside = executableFolder() / name;
    std::error_code error;
    if (fs::is_regular_file(beside, error)) return beside;
    return (executableFolder() / ".." / "share" / "vistrelle" / name).lexically_normal();
}

}  // namespace cli
