# Windows x64 with Debian's MinGW-w64 cross compiler (posix threads, so std::thread and std::mutex
# exist; winpthread is linked statically like libgcc and libstdc++).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(VISTREL_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
