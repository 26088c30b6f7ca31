# Every header of the host interface compiles on its own, as C and as C++, in this build's word size.
file(GLOB VISTREL_HOST_HEADERS ${PROJECT_SOURCE_DIR}/host/*.h)
foreach(header IN LISTS VISTREL_HOST_HEADERS)
  get_filename_component(name ${header} NAME_WE)
  add_test(NAME HostHeaderCompilesAloneAsCAndCpp.${name}
    COMMAND ${CMAKE_COMMAND} -DCOMPILER=${CMAKE_CXX_COMPILER} -DHEADER=${header}
            -DINCLUDE=${PROJECT_SOURCE_DIR} "-DFLAGS=${CMAKE_CXX_FLAGS}"
            -P ${CMAKE_CURRENT_SOURCE_DIR}/scripts/check_header.cmake)
endforeach()
