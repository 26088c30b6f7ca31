# The validator (validate/): checks of everything the module hands back, the validation groups and
# the call-sequence interpreter that the fuzzer shares. The vistrelle validate subcommand uses it.
file(GLOB VISTREL_VALIDATE_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/validate/*.cpp ${PROJECT_SOURCE_DIR}/validate/*.h)
add_library(vistrel_validate STATIC ${VISTREL_VALIDATE_SOURCES})
target_link_libraries(vistrel_validate PUBLIC vistrel_hostsim)
target_link_libraries(vistrelle PRIVATE vistrel_validate)

# The libFuzzer target, only in a clang build configured with -DVISTREL_FUZZ=ON (see scripts/fuzz).
if(VISTREL_FUZZ)
  add_subdirectory(${PROJECT_SOURCE_DIR}/fuzz ${CMAKE_BINARY_DIR}/fuzz)
endif()
