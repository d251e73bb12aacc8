# mingw-w64-x86_64.cmake: cross-builds the Windows program (x86_64-w64-mingw32)
# on Debian with MinGW-w64's posix-threads g++, linked statically so that
# kvitalink.exe runs with nothing beside it.
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KVITALINK_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KVITALINK_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KVITALINK_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KVITALINK_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KVITALINK_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Unicode Windows API; the wide calls are named explicitly all the same.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
