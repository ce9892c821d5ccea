# What both mingw-w64 toolchain files share; they set CMAKE_SYSTEM_PROCESSOR and KVSFX_MINGW_PREFIX first.
# The posix threads flavour gives std::thread and std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${KVSFX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KVSFX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KVSFX_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KVSFX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Everything static: the programs must run without mingw DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
