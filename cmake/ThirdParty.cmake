# Third-party code is built from Debian's source packages (scripts/setup-host.sh unpacks them into deps/).
if(NOT EXISTS "${KVSFX_DEPS_DIR}/tinyxml2/tinyxml2.cpp" OR NOT EXISTS "${KVSFX_DEPS_DIR}/7zip/CPP")
  message(FATAL_ERROR "Third-party sources missing in ${KVSFX_DEPS_DIR}; run scripts/setup-host.sh first")
endif()
file(READ "${KVSFX_DEPS_DIR}/VERSIONS" KVSFX_DEPS_VERSIONS)
message(STATUS "Third-party sources: ${KVSFX_DEPS_VERSIONS}")

# tinyxml2: one source file; its header is a system include for us.
add_library(tinyxml2 STATIC "${KVSFX_DEPS_DIR}/tinyxml2/tinyxml2.cpp")
target_include_directories(tinyxml2 SYSTEM PUBLIC "${KVSFX_DEPS_DIR}/tinyxml2")
set_target_properties(tinyxml2 PROPERTIES POSITION_INDEPENDENT_CODE ON)
if(WIN32)
  # No exception is caught around XML reading (out of memory there ends the process either way), so tinyxml2
  # needs no unwind tables, and the link can drop the parts of it that the stub does not use.
  target_compile_options(tinyxml2 PRIVATE -fno-exceptions -include "${CMAKE_SOURCE_DIR}/cmake/MsvcrtStdio.h")
endif()

# GoogleTest from Debian's googletest sources, built with whichever toolchain is active.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
