# Fails when a source includes a header of a layer that it may not use, naming each such include.
#   cmake -DKVSFX_SOURCE_DIR=<repository> -P CheckLayers.cmake
# Layers from the bottom: support, config, commands, then extract and ui side by side, then app. builder may
# use the portable part of every layer, and its own win32/ files support's owners and failure idiom. Portable files include no win32/ header, and includes name their
# header from the repository root (no "../").
cmake_minimum_required(VERSION 3.25)
set(layers support config commands extract ui app builder)
set(allowed_support support)
set(allowed_config support config)
set(allowed_commands support config commands)
set(allowed_extract support config commands extract)
set(allowed_ui support config commands ui)
set(allowed_app support config commands extract ui app)
set(allowed_builder support config commands extract ui app builder)

if(NOT KVSFX_SOURCE_DIR)
  message(FATAL_ERROR "CheckLayers.cmake: KVSFX_SOURCE_DIR is not set")
endif()

set(violations "")
foreach(layer IN LISTS layers)
  file(GLOB_RECURSE sources RELATIVE "${KVSFX_SOURCE_DIR}"
    "${KVSFX_SOURCE_DIR}/${layer}/*.h" "${KVSFX_SOURCE_DIR}/${layer}/*.cpp" "${KVSFX_SOURCE_DIR}/${layer}/*.rc")
  list(SORT sources)
  foreach(source IN LISTS sources)
    set(portable TRUE)
    if(source MATCHES "/win32/")
      set(portable FALSE)
    endif()
    file(STRINGS "${KVSFX_SOURCE_DIR}/${source}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*$" "\\1" header "${line}")
      string(REGEX MATCH "^[^/]+" header_layer "${header}")
      if(header MATCHES "(^|/)\\.\\.?/")
        list(APPEND violations "${source}: #include \"${header}\": name the header from the repository root")
      elseif(NOT header_layer IN_LIST layers)
        continue()  # third-party headers, and headers beside the source
      elseif(NOT header_layer IN_LIST allowed_${layer})
        string(REPLACE ";" ", " allowed "${allowed_${layer}}")
        list(APPEND violations
          "${source}: #include \"${header}\": ${layer} may include only ${allowed} (${header_layer} is not below it)")
      elseif(header MATCHES "^[^/]+/win32/" AND portable)
        list(APPEND violations "${source}: #include \"${header}\": a portable file includes no win32/ header")
      elseif(header MATCHES "^[^/]+/win32/" AND layer STREQUAL "builder" AND NOT header_layer MATCHES "^(builder|support)$")
        list(APPEND violations
          "${source}: #include \"${header}\": builder uses no win32/ part of another layer but support's")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  list(LENGTH violations count)
  string(REPLACE ";" "\n  " text "${violations}")
  message(FATAL_ERROR "${count} include(s) break the layering:\n  ${text}")
endif()
