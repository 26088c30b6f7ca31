# vistrelle scene, run as a process on small scene files.
add_executable(cli_scene_tests cli_scene_tests.cpp cli_panel_process.h cli_panel_process.cpp)
target_link_libraries(cli_scene_tests PRIVATE gtest_main)
target_compile_definitions(cli_scene_tests PRIVATE
  VISTREL_MODULE_FILE="${VISTREL_MODULE_FILE}"
  VISTRELLE_COMMAND_FILE="$<TARGET_FILE:vistrelle>"
  CLI_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data/cli")
add_dependencies(cli_scene_tests vistrel vistrelle)
gtest_discover_tests(cli_scene_tests)
