# Cross-build for 32-bit Windows with mingw-w64: the shipped stub.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KVSFX_MINGW_PREFIX i686-w64-mingw32)
include("${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake")
