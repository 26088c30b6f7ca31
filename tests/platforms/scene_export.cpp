// scene_export SCENE.json OUT: writes the scene as the formats library reads it, in the plain form
// that platform_points plays on every platform.
#include "plain_scene.h"

#include "formats/scene_file.h"
#include "hostsim/host_error.h"

#include <iostream>

int main(int argc, char **argv) {
    if (argc != 3) {
        std::cerr << "usage: scene_export SCENE.json OUT\n";
        return 2;
    }
    try {
        platforms::writeBytes(argv[2], platforms::plainBytes(formats::readSceneFile(argv[1])));
    } catch (const hostsim::HostError &error) {
        std::cerr << error.what() << '\n';
        return 1;
    }
    return 0;
}
