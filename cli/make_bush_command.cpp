// vistrelle make-bush: the demo bush as an OBJ file and the scene that circles it with a target.
#include "cli/commands.h"

#include "cli/bush_maker.h"
#include "cli/output_folder.h"
#include "cli/usage_error.h"
#include "formats/scene_file.h"
#include "formats/text/text_file.h"
#include "hostsim/host_error.h"

#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

namespace cli {
namespace {

namespace fs = std::filesystem;

struct MakeBushOptions {
    BushRecipe recipe;
    std::string obj;
    std::string scene;  // empty: beside the OBJ file, with the extension .json
    bool force = false;
};

void makeBush(const MakeBushOptions &options) {
    const fs::path obj = typedPath(options.obj);
    const fs::path scene =
        options.scene.empty() ? fs::path(obj).replace_extension(".json") : typedPath(options.scene);
    if (obj == formats::standardOutput)
        throw UsageError(
            "-o -: the scene names the OBJ file, so -o must name a file, not standard output");
    if (scene == obj)
        throw UsageError(obj.string() +
                         ": the scene would overwrite the mesh; name it with --scene");
    // The scene's name follows from the OBJ file's unless given, so an existing one is not the
    // user's to lose.
    if (options.scene.empty())
        refuseToReplace(scene, options.force,
                        "it would be written as the scene of the bush; name another with --scene");
    makeFolderOf(obj);
    makeFolderOf(scene);
    const std::string objText = bushObjText(options.recipe);
    formats::replaceFile(obj, objText);
    try {
        formats::writeSceneFile(scene, bushScene(obj));
    } catch (const hostsim::HostError &error) {
        throw hostsim::HostError(std::string(error.what()) + "; " + obj.string() +
                                 " was written, the scene was not");
    }
    std::cout << "Wrote " << obj.string() << " (" << options.recipe.cards << " cards, "
              << 4 * options.recipe.cards << " points, seed " << options.recipe.seed << ") and "
              << scene.string() << ".\n";
}

}  // namespace

void addMakeBushCommand(CLI::App &app, const CommandContext & /*context*/) {
    auto options = std::make_shared<MakeBushOptions>();
    auto *make = app.add_subcommand(
        "make-bush",
        "Write the demo bush (four-point leaf cards) as OBJ, and a scene in which "
        "a \"Camera\" item circles it over 48 frames.");
    make->add_option("--seed", options->recipe.seed, "the seed; the same seed gives the same files")
        ->capture_default_str();
    make->add_option("--cards", options->recipe.cards, "the number of leaf cards")
        ->capture_default_str()
        ->check(CLI::Range(1, 1000000));
    make->add_option("-o,--out", options->obj, "the OBJ file to write")->required();
    make->add_option("--scene", options->scene,
                     "the scene file to write (default: the OBJ file's name with .json)");
    make->add_flag("--force", options->force,
                   "replace an existing scene file named after the OBJ file");
    make->footer(
        "The scene displaces the bush with 4 points per leaf, \"Camera\" as target, pivot \"first "
        "point\" and\n"
        "both alignments on. Missing folders are made. A scene file named after the OBJ file that "
        "exists\n"
        "already is kept unless --force is given; one named with --scene is replaced.\n"
        "Example:\n  vistrelle make-bush --seed 7 --cards 3000 -o examples/bush.obj");
    make->callback([options] { makeBush(*options); });
}

}  // namespace cli
