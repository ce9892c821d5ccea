# kvsfx_delay_import(TARGET DLL FUNCTION@ARGBYTES...): an import library TARGET whose functions load DLL at their
# first call rather than at start (the delay-load helper of mingw-w64's libmingwex; support/win32/SystemLibrary
# hooks it so that the DLL comes from the system folder only). Functions are given with their stdcall argument
# bytes, which the 32-bit library needs and the 64-bit one drops.
function(kvsfx_delay_import target dll)
  set(def "${CMAKE_CURRENT_BINARY_DIR}/${target}.def")
  set(lib "${CMAKE_CURRENT_BINARY_DIR}/lib${target}.a")
  set(text "LIBRARY ${dll}\nEXPORTS\n")
  set(keep "")
  foreach(function IN LISTS ARGN)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      set(symbol "_${function}")
    else()
      string(REGEX REPLACE "@[0-9]+$" "" function "${function}")
      set(symbol "${function}")
    endif()
    string(APPEND text "  ${function}\n")
    # Code calls through the import pointer, whose initial target, the stub that loads the DLL, nothing else
    # names: --gc-sections would drop it and leave the pointer null.
    list(APPEND keep "LINKER:--undefined=${symbol}")
  endforeach()
  file(WRITE "${def}" "${text}")
  set(machine $<IF:$<EQUAL:${CMAKE_SIZEOF_VOID_P},4>,i386,i386:x86-64>)
  add_custom_command(OUTPUT "${lib}"
    COMMAND "${CMAKE_DLLTOOL}" -m ${machine} -k -d "${def}" -y "${lib}"
    DEPENDS "${def}" VERBATIM)
  add_custom_target(${target}_generate DEPENDS "${lib}")
  add_library(${target} STATIC IMPORTED GLOBAL)
  set_target_properties(${target} PROPERTIES IMPORTED_LOCATION "${lib}" INTERFACE_LINK_OPTIONS "${keep}")
  add_dependencies(${target} ${target}_generate)
endfunction()
