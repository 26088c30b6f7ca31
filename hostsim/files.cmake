# The stand-in host's files: JSON scene files, OBJ meshes, SVG pictures and their HTML index.
# Needs only the types of scene.h and host_error.h (no code of the host core) and header-only
# nlohmann-json, so it builds for i386 too.
add_library(vistrel_hostsim_files STATIC
  ${CMAKE_CURRENT_LIST_DIR}/html_index.cpp
  ${CMAKE_CURRENT_LIST_DIR}/json_node.cpp
  ${CMAKE_CURRENT_LIST_DIR}/number_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/obj_document.cpp
  ${CMAKE_CURRENT_LIST_DIR}/obj_mesh.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scene_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scene_data_edit.h ${CMAKE_CURRENT_LIST_DIR}/scene_data_edit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/svg_camera.cpp
  ${CMAKE_CURRENT_LIST_DIR}/svg_picture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xml_text.cpp
)
target_include_directories(vistrel_hostsim_files PUBLIC ${PROJECT_SOURCE_DIR})
