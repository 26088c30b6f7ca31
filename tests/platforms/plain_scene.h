// A stand-in host scene as plain little-endian bytes, so that a build without the scene file reader
// (the Windows one) plays exactly the scene a Linux build read: points as the host's floats, keys
// and times as doubles, every bit kept.
#pragma once

#include "hostsim/scene.h"

#include <cstddef>
#include <filesystem>
#include <vector>

namespace platforms {

std::vector<std::byte> plainBytes(const hostsim::Scene &scene);
// Throws HostError naming `path` when the bytes are not a whole plain scene.
hostsim::Scene sceneOfPlainBytes(const std::vector<std::byte> &bytes,
                                 const std::filesystem::path &path);

std::vector<std::byte> readBytes(const std::filesystem::path &path);
void writeBytes(const std::filesystem::path &path, const std::vector<std::byte> &bytes);

}  // namespace platforms
