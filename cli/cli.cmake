# The vistrelle command: main, the subcommand registry and every cli/*_command.cpp.
file(GLOB VISTREL_CLI_COMMANDS CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*_command.cpp)
list(SORT VISTREL_CLI_COMMANDS)
add_executable(vistrelle ${CMAKE_CURRENT_LIST_DIR}/main.cpp ${CMAKE_CURRENT_LIST_DIR}/commands.h ${VISTREL_CLI_COMMANDS})
target_link_libraries(vistrelle PRIVATE vistrel_hostsim vistrel_validate)
# The module built beside this command is the default one.
target_compile_definitions(vistrelle PRIVATE VISTREL_BUILT_MODULE="$<TARGET_FILE:vistrel>"
  VISTRELLE_VERSION="${PROJECT_VERSION}")
add_dependencies(vistrelle vistrel)
set_target_properties(vistrelle PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
