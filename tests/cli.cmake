# The vistrelle command run as a process, as a person runs it, one executable per subcommand family:
#   apply  compared with the stand-in host's own evaluation of the same mesh and settings;
#   panel  on small scene files, a frame checked through the stand-in host too;
#   run    run and make-bush and every subcommand's help, what run writes compared with the host;
#   jobs   run --jobs: the same files from worker processes; run without files;
#   scene  the summary of small scene files;
#   saving links, modes, streams, standard output, kept files and text, whole outputs, safe names;
#   exits  exit codes, version, unknown subcommands, and runs over huge frame ranges.
foreach(family apply jobs panel run scene saving exits)
  add_executable(cli_${family}_tests cli_${family}_tests.cpp command_process.h command_process.cpp)
  target_link_libraries(cli_${family}_tests PRIVATE vistrel_hostsim vistrel_formats gtest_main)
  target_compile_definitions(cli_${family}_tests PRIVATE
    VISTREL_MODULE_FILE="${VISTREL_MODULE_FILE}"
    VISTRELLE_COMMAND_FILE="$<TARGET_FILE:vistrelle>"
    CLI_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data/cli"
    VISTREL_RUN_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data/run"
    VISTREL_EXAMPLES="${PROJECT_SOURCE_DIR}/examples")
  add_dependencies(cli_${family}_tests vistrel vistrelle)
  gtest_discover_tests(cli_${family}_tests)
endforeach()
# The huge-range run watches its progress through a pseudo-terminal.
target_link_libraries(cli_exits_tests PRIVATE util)
