// The glTF container code of Debian's tinygltf, compiled once here so that every build (i386 too)
// has it without a shared library. Images are not read or written: meshes are all that travel.
// (files.cmake defines the TINYGLTF_NO_*IMAGE* switches for every user of the header alike.)
#define TINYGLTF_IMPLEMENTATION
#include <tiny_gltf.h>
