# Compiles one header of the host interface alone, as C11 and as C++20, with warnings as errors.
# Run with -DCOMPILER=<c++ driver> -DHEADER=<path> -DINCLUDE=<top folder> -DFLAGS=<extra flags>.
get_filename_component(name ${HEADER} NAME_WE)
set(unit "${CMAKE_CURRENT_BINARY_DIR}/header_alone_${name}.c")
# A declaration after the include keeps an all-macro header from making an empty translation unit.
file(WRITE ${unit} "#include \"${HEADER}\"\ntypedef int header_alone_${name};\n")
separate_arguments(extra UNIX_COMMAND "${FLAGS}")
foreach(language "c;-std=c11" "c++;-std=c++20")
  list(GET language 0 lang)
  list(GET language 1 standard)
  execute_process(
    COMMAND ${COMPILER} -x ${lang} ${standard} ${extra} -Wall -Wextra -Wpedantic -Werror -fsyntax-only
            -I${INCLUDE} ${unit}
    RESULT_VARIABLE result ERROR_VARIABLE errors)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${HEADER} does not compile alone as ${lang} (${standard}):\n${errors}")
  endif()
endforeach()
file(REMOVE ${unit})
