# The library's dynamic symbol table defines _mod_descrip and nothing else, and the file is an ELF
# object of this build's architecture.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(VISTREL_EXPECTED_ELF "ELF32;Intel 80386")
else()
  set(VISTREL_EXPECTED_ELF "ELF64;Advanced Micro Devices X86-64")
endif()
add_test(NAME LibraryExportsOnlyTheModuleDescriptor
  COMMAND ${CMAKE_COMMAND} -DMODULE=$<TARGET_FILE:vistrel> "-DEXPECTED_ELF=${VISTREL_EXPECTED_ELF}"
          -P ${CMAKE_CURRENT_SOURCE_DIR}/scripts/check_exports.cmake)

# Layers only look down: no folder includes a header from a folder above it.
add_test(NAME IncludesFollowTheLayers COMMAND ${PROJECT_SOURCE_DIR}/scripts/check-includes)
