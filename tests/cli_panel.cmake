# vistrelle panel, run as a process on small scene files; a frame is checked through the stand-in host too.
add_executable(cli_panel_tests cli_panel_tests.cpp cli_panel_process.h cli_panel_process.cpp)
target_link_libraries(cli_panel_tests PRIVATE vistrel_hostsim vistrel_hostsim_files gtest_main)
target_compile_definitions(cli_panel_tests PRIVATE
  VISTREL_MODULE_FILE="${VISTREL_MODULE_FILE}"
  VISTRELLE_COMMAND_FILE="$<TARGET_FILE:vistrelle>"
  CLI_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data/cli")
add_dependencies(cli_panel_tests vistrel vistrelle)
gtest_discover_tests(cli_panel_tests)
