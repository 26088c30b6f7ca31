// Scene files: a JSON document that a person can read and write by hand.
//
//   {
//     "format": 1,
//     "frames": {"start": 0, "end": 47, "fps": 24},
//     "items": [
//       {"name": "Camera", "position": [0, 1.5, -4]},
//       {"name": "Bee", "keys": [{"time": 0, "position": [0, 1, 0]}, {"time": 2, "position": [3, 1,
//       0]}]},
//       {"name": "Bush", "position": [0, 0, 0], "mesh": {"file": "bush.obj"}},
//       {"name": "Card", "position": [0, 0, 0], "mesh": {"points": [[0, 0, 0], [1, 0, 0], [1, 1,
//       0]]}}
//     ],
//     "displacements": [{"object": "Bush", "server": "Vistrelle", "data": [4, 1, 0, 1, 0]}]
//   }
//
// Items keep their list order. An item has either a fixed "position" or position "keys" in time
// order (linear between keys). A mesh's "file" is an OBJ file relative to the scene file. A
// displacement names its object; its "server" is kept as written ("Vistrelle" when absent) and its
// "data" are the integers the module saved, in order (absent: the instance is created but not
// loaded). "displacements" and "fps" (24) may be left out; comments are allowed. Unknown members
// are errors, so typing mistakes show.
#pragma once

#include <filesystem>

#include "formats/point_budget.h"
#include "hostsim/scene.h"

namespace formats {

using hostsim::Scene;

// The format this program writes; it reads this one and every older one.
inline constexpr int sceneFormat = 1;

// Reads a scene and the OBJ files of its meshes. Any fault throws HostError with one line naming
// the file and the place, e.g. "scene.json: /items/2/position: expected 3 numbers" or
// "scene.json:4:7: ...". JSON nested deeper than maxJsonDepth is refused; the points of all meshes
// together are counted against `budget`.
Scene readSceneFile(const std::filesystem::path &path, PointBudget &budget);
Scene readSceneFile(const std::filesystem::path &path);

// Writes the scene (mesh files are referred to, not written). A scene that would not read back,
// e.g. with a position that is not finite, two items of one name or a displacement of no item,
// throws HostError before anything is written; the old file is only ever replaced whole.
void writeSceneFile(const std::filesystem::path &path, const Scene &scene);

}  // namespace formats
