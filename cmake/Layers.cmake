# One static library per layer folder (kvsfx_<folder>, and kvsfx_<folder>_win for its win32/ part), each linking
# only the libraries below it. cmake/CheckLayers.cmake runs before any of them is compiled and fails the build
# with the offending lines when an include points up or sideways.
file(GLOB_RECURSE KVSFX_LAYERED_SOURCES CONFIGURE_DEPENDS
  "${CMAKE_SOURCE_DIR}/support/*.h" "${CMAKE_SOURCE_DIR}/support/*.cpp"
  "${CMAKE_SOURCE_DIR}/config/*.h" "${CMAKE_SOURCE_DIR}/config/*.cpp"
  "${CMAKE_SOURCE_DIR}/commands/*.h" "${CMAKE_SOURCE_DIR}/commands/*.cpp"
  "${CMAKE_SOURCE_DIR}/extract/*.h" "${CMAKE_SOURCE_DIR}/extract/*.cpp"
  "${CMAKE_SOURCE_DIR}/ui/*.h" "${CMAKE_SOURCE_DIR}/ui/*.cpp" "${CMAKE_SOURCE_DIR}/ui/*.rc"
  "${CMAKE_SOURCE_DIR}/app/*.h" "${CMAKE_SOURCE_DIR}/app/*.cpp" "${CMAKE_SOURCE_DIR}/app/*.rc"
  "${CMAKE_SOURCE_DIR}/builder/*.h" "${CMAKE_SOURCE_DIR}/builder/*.cpp")
set(layers_checked "${CMAKE_BINARY_DIR}/layers.checked")
add_custom_command(OUTPUT "${layers_checked}"
  COMMAND "${CMAKE_COMMAND}" "-DKVSFX_SOURCE_DIR=${CMAKE_SOURCE_DIR}" -P "${CMAKE_SOURCE_DIR}/cmake/CheckLayers.cmake"
  COMMAND "${CMAKE_COMMAND}" -E touch "${layers_checked}"
  DEPENDS ${KVSFX_LAYERED_SOURCES} "${CMAKE_SOURCE_DIR}/cmake/CheckLayers.cmake"
  COMMENT "Checking the includes between layers"
  VERBATIM)
add_custom_target(kvsfx_check_layers ALL DEPENDS "${layers_checked}")

# A library of our own code: strict warnings, compiled after the layer check.
function(kvsfx_library name)
  add_library(${name} STATIC ${ARGN})
  kvsfx_strict(${name})
  add_dependencies(${name} kvsfx_check_layers)
endfunction()
