# The stand-in host's files: scene files, OBJ meshes, SVG pictures and the HTML index. These need no
# module; files_host_tests then runs a scene file through the module, loaded by path.
add_executable(files_tests files_scene_test.cpp files_obj_test.cpp files_svg_test.cpp files_gltf_test.cpp
                           files_viewer_test.cpp files_number_text_test.cpp)
target_link_libraries(files_tests PRIVATE vistrel_formats gtest_main)
target_compile_definitions(files_tests PRIVATE VISTREL_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data")
gtest_discover_tests(files_tests)

add_executable(files_host_tests files_host_test.cpp)
target_link_libraries(files_host_tests PRIVATE vistrel_hostsim vistrel_formats gtest_main)
target_compile_definitions(files_host_tests PRIVATE
  VISTREL_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data"
  VISTREL_MODULE_FILE="${VISTREL_MODULE_FILE}")
add_dependencies(files_host_tests vistrel)
gtest_discover_tests(files_host_tests)
