// The demo scene: a bush of four-point leaf cards and a "Camera" item that circles it, made from a
// seed so that the same seed gives the same files byte for byte on every build.
#pragma once

#include "hostsim/scene.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace cli {

struct BushRecipe {
    std::uint32_t seed = 7;
    int cards = 3000;
};

// The bush as OBJ text: four "v" records per card (its corners, counter-clockwise seen from its
// front), four shared "vt" records, one "vn" per card and one quad face per card, in two groups.
std::string bushObjText(const BushRecipe &recipe);

// The scene around the bush in `objFile`: "Camera" circling it over 48 frames (a key per frame),
// then "Bush" with that mesh, displaced with 4 points per leaf, "Camera" as target, pivot rule
// "first point" and both alignments on.
hostsim::Scene bushScene(const std::filesystem::path &objFile);

}  // namespace cli
