# The stand-in host's files: JSON scene files, OBJ and glTF meshes, SVG pictures and their HTML index.
# Needs only the types of scene.h and host_error.h (no code of the host core), header-only
# nlohmann-json and tinygltf's header (its code compiled in gltf_library.cpp), so it builds for i386 too.
add_library(vistrel_hostsim_files STATIC
  ${CMAKE_CURRENT_LIST_DIR}/gltf_library.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gltf_mesh.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gltf_writer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/html_index.cpp
  ${CMAKE_CURRENT_LIST_DIR}/json_node.cpp
  ${CMAKE_CURRENT_LIST_DIR}/leaf_side.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mesh_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mesh_surface.cpp
  ${CMAKE_CURRENT_LIST_DIR}/number_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/obj_document.cpp
  ${CMAKE_CURRENT_LIST_DIR}/obj_mesh.cpp
  ${CMAKE_CURRENT_LIST_DIR}/obj_surface.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scene_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scene_data_edit.h ${CMAKE_CURRENT_LIST_DIR}/scene_data_edit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/svg_camera.cpp
  ${CMAKE_CURRENT_LIST_DIR}/svg_picture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/viewer_page.cpp
  ${CMAKE_CURRENT_LIST_DIR}/viewer_script.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xml_text.cpp
)
target_include_directories(vistrel_hostsim_files PUBLIC ${PROJECT_SOURCE_DIR})
# tinygltf without image decoding; every file that includes its header must see the same switches.
target_compile_definitions(vistrel_hostsim_files PUBLIC TINYGLTF_NO_STB_IMAGE TINYGLTF_NO_STB_IMAGE_WRITE TINYGLTF_NO_EXTERNAL_IMAGE)
