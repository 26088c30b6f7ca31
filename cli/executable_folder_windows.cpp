// The executable's folder from GetModuleFileNameW, the file Windows started.
#include "cli/install_layout.h"

#include <windows.h>
#include <string>

namespace cli {

std::filesystem::path executableFolder() {
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0) return {};
        if (length < name.size()) {
            name.resize(length);
            return std::filesystem::path(name).parent_path();
        }
        if (name.size() >= 32768) return {};
        name.resize(name.size() * 2);
    }
}

}  // namespace cli
