// The Windows builds read no scene files (formats/ writes files the POSIX way).
#include "capi/session.h"

namespace capi {

std::unique_ptr<Session> Session::fromScene(const std::filesystem::path &,
                                            const std::filesystem::path &sceneFile) {
    throw Unsupported(sceneFile.string() + ": scene files are read by the Linux build only");
}

}  // namespace capi
