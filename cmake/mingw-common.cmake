# What both Windows toolchains share: the compilers, the resource compiler, where to look for
# libraries, and a runtime linked in statically so that a DLL or program needs only Windows' own DLLs.
set(CMAKE_C_COMPILER ${VISTREL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VISTREL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VISTREL_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VISTREL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
endforeach()
# Programs run under Wine when the tests run on Linux.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
