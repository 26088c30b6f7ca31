// Meshes from OBJ files, and OBJ files of displaced meshes.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <span>
#include <string>

#include "formats/point_budget.h"
#include "hostsim/scene.h"

namespace formats {

using hostsim::Mesh;

// The mesh of an OBJ file: its "v" records in file order are the points in point order. The rest of
// the file is kept in Mesh::obj for writing back. Faults throw HostError "<file>:<line>: <what>";
// the points are counted against `budget` as they are read, so a file beyond it stops early.
Mesh readObjMesh(const std::filesystem::path &path, PointBudget &budget);
Mesh readObjMesh(const std::filesystem::path &path);

// The OBJ text of `base` with its points at `displaced` (one per point, in order): for a mesh from
// an OBJ file, that file with new "v" and recomputed "vn" records; for inline points, "v" lines
// only. Throws HostError when the number of displaced points is not the mesh's.
std::string objMeshText(const Mesh &base, std::span<const hostsim::Position> displaced);

// Writes objMeshText to `path`, replacing the file whole (see replaceFile), without holding the
// text whole; the number of characters written.
std::size_t writeObjMesh(const std::filesystem::path &path, const Mesh &base,
                         std::span<const hostsim::Position> displaced);

}  // namespace formats
