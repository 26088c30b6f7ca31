# vistrelle apply, run as a process and compared with the stand-in host's own evaluation of the
# same mesh and settings; the output is read back with tinyobjloader too.
add_executable(cli_apply_tests cli_apply_tests.cpp cli_run_process.h cli_run_process.cpp)
target_link_libraries(cli_apply_tests PRIVATE vistrel_hostsim vistrel_hostsim_files gtest_main)
target_compile_definitions(cli_apply_tests PRIVATE
  VISTREL_MODULE_FILE="${VISTREL_MODULE_FILE}"
  VISTRELLE_COMMAND_FILE="$<TARGET_FILE:vistrelle>"
  VISTREL_RUN_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data/run"
  VISTREL_EXAMPLES="${PROJECT_SOURCE_DIR}/examples")
add_dependencies(cli_apply_tests vistrel vistrelle)
gtest_discover_tests(cli_apply_tests)
