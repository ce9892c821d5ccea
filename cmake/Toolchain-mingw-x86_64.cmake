# Cross-build for 64-bit Windows with mingw-w64: the x86-64 variant of the stub and of the Windows-side test
# programs, for hosts whose Wine can run only 64-bit programs. The shipped stub is the i686 build.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KVSFX_MINGW_PREFIX x86_64-w64-mingw32)
include("${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake")
