# Cross-build for 64-bit Windows with mingw-w64: the x86-64 variant of the stub and of the Windows-side test
# programs, for hosts whose Wine can run only 64-bit programs. The shipped stub is the i686 build.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KVSFX_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KVSFX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KVSFX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KVSFX_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KVSFX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
