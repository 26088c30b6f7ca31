// One displaced object of a scene that vistrelle run plays, and what the run keeps for it.
#pragma once

#include "cli/resolved_target.h"
#include "cli/shown_settings.h"
#include "formats/svg_camera.h"
#include "hostsim/scene.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace cli {

struct RunObject {
    void *instance = nullptr;
    std::string name;
    std::string stem;  // the start of its file names, made from the name (see fileStem)
    const hostsim::Mesh *mesh = nullptr;
    ShownSettings settings;
    std::optional<ResolvedTarget> target;   // known after the first frame
    std::optional<formats::Camera> camera;  // fixed at the first frame, for pictures only
    std::vector<std::filesystem::path> pictures;
};

}  // namespace cli
