# vistrelle run and make-bush and the help of every subcommand, run as processes; what run writes is
# compared with the stand-in host driving the module, loaded by path, over the same scene.
add_executable(cli_run_tests cli_run_tests.cpp cli_run_process.h cli_run_process.cpp)
target_link_libraries(cli_run_tests PRIVATE vistrel_hostsim vistrel_hostsim_files gtest_main)
target_compile_definitions(cli_run_tests PRIVATE
  VISTREL_MODULE_FILE="${VISTREL_MODULE_FILE}"
  VISTRELLE_COMMAND_FILE="$<TARGET_FILE:vistrelle>"
  VISTREL_RUN_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data/run"
  VISTREL_EXAMPLES="${PROJECT_SOURCE_DIR}/examples")
add_dependencies(cli_run_tests vistrel vistrelle)
gtest_discover_tests(cli_run_tests)
