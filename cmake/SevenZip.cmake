# Extract-only static build of 7-Zip's archive library for the single "7z" format: for Windows (the stub) and
# natively for the payload fuzzer, with the same formats and codecs.
set(SZ "${KVSFX_DEPS_DIR}/7zip")

# The 7-Zip tree must carry our fixes (patches/series), which the set-up applies and records in .patches.
set(KVSFX_7Z_PATCH_RECORD "${SZ}/.patches")
file(STRINGS "${CMAKE_SOURCE_DIR}/patches/series" KVSFX_7Z_PATCHES REGEX "^[^#]")
set(KVSFX_7Z_APPLIED_PATCHES "")
if(EXISTS "${KVSFX_7Z_PATCH_RECORD}")
  file(STRINGS "${KVSFX_7Z_PATCH_RECORD}" KVSFX_7Z_APPLIED_PATCHES)
endif()
foreach(p IN LISTS KVSFX_7Z_PATCHES)
  if(NOT p IN_LIST KVSFX_7Z_APPLIED_PATCHES)
    message(FATAL_ERROR "${SZ} lacks the library patch ${p} (patches/series); "
      "run scripts/setup-host.sh --sources to apply it")
  endif()
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  "${CMAKE_SOURCE_DIR}/patches/series" "${KVSFX_7Z_PATCH_RECORD}")

# No AES, SHA-256 or CRC-64: the stub never supplies a password, so an encrypted payload fails to extract with or
# without the AES decoder ("unsupported method"), and 7z extraction checks CRC-32 only.
set(KVSFX_7Z_C_SOURCES
  7zCrc.c 7zCrcOpt.c 7zStream.c Alloc.c Bcj2.c Bra.c Bra86.c CpuArch.c Delta.c Lzma2Dec.c Lzma2DecMt.c LzmaDec.c
  MtDec.c SwapBytes.c Threads.c)
list(TRANSFORM KVSFX_7Z_C_SOURCES PREPEND "${SZ}/C/")

set(KVSFX_7Z_CPP_SOURCES
  Common/IntToString.cpp Common/MyString.cpp Common/StringConvert.cpp Common/StringToInt.cpp Common/Wildcard.cpp
  Windows/FileDir.cpp Windows/FileFind.cpp Windows/FileIO.cpp Windows/FileName.cpp Windows/PropVariant.cpp
  Windows/System.cpp Windows/TimeUtils.cpp
  7zip/Common/CreateCoder.cpp 7zip/Common/CWrappers.cpp 7zip/Common/FileStreams.cpp 7zip/Common/FilterCoder.cpp
  7zip/Common/LimitedStreams.cpp 7zip/Common/MethodProps.cpp 7zip/Common/ProgressUtils.cpp 7zip/Common/PropId.cpp
  7zip/Common/StreamBinder.cpp 7zip/Common/StreamObjects.cpp 7zip/Common/StreamUtils.cpp 7zip/Common/VirtThread.cpp
  7zip/Archive/Common/CoderMixer2.cpp 7zip/Archive/Common/HandlerOut.cpp
  7zip/Archive/7z/7zDecode.cpp 7zip/Archive/7z/7zExtract.cpp 7zip/Archive/7z/7zHandler.cpp 7zip/Archive/7z/7zIn.cpp
  7zip/Archive/7z/7zProperties.cpp
  7zip/Compress/Bcj2Coder.cpp 7zip/Compress/BcjCoder.cpp 7zip/Compress/BranchMisc.cpp 7zip/Compress/CopyCoder.cpp
  7zip/Compress/Lzma2Decoder.cpp 7zip/Compress/LzmaDecoder.cpp
  7zip/UI/Common/ArchiveOpenCallback.cpp 7zip/UI/Common/DefaultName.cpp 7zip/UI/Common/LoadCodecs.cpp
  7zip/UI/Common/OpenArchive.cpp 7zip/UI/Common/SetProperties.cpp)
list(TRANSFORM KVSFX_7Z_CPP_SOURCES PREPEND "${SZ}/CPP/")

# Files that only hold static registration objects: nothing references them, so they are linked whole
# (--whole-archive) or no format or codec gets registered. 7zHeader.cpp stays out: its signature bytes
# would land in the stub image ahead of the payload.
set(KVSFX_7Z_REGISTRATION_SOURCES
  Common/CRC.cpp 7zip/Archive/7z/7zRegister.cpp 7zip/Compress/Bcj2Register.cpp 7zip/Compress/BcjRegister.cpp
  7zip/Compress/BranchRegister.cpp 7zip/Compress/ByteSwap.cpp 7zip/Compress/CopyRegister.cpp
  7zip/Compress/DeltaFilter.cpp 7zip/Compress/Lzma2Register.cpp 7zip/Compress/LzmaRegister.cpp)
list(TRANSFORM KVSFX_7Z_REGISTRATION_SOURCES PREPEND "${SZ}/CPP/")

set(KVSFX_7Z_DEFINES Z7_EXTRACT_ONLY UNICODE _UNICODE NDEBUG)

add_library(sevenzip_core STATIC ${KVSFX_7Z_C_SOURCES} ${KVSFX_7Z_CPP_SOURCES})
add_library(sevenzip_registration STATIC ${KVSFX_7Z_REGISTRATION_SOURCES})
foreach(t sevenzip_core sevenzip_registration)
  target_compile_definitions(${t} PUBLIC ${KVSFX_7Z_DEFINES})
  target_include_directories(${t} SYSTEM PUBLIC "${SZ}/CPP" "${SZ}/C")
  # No RTTI in the stub: the library uses no dynamic_cast or typeid (the compiler still emits the type information
  # that its exceptions need), and the type information of every COM class would take some 5 KB. The native fuzz
  # build keeps it for UBSan's checks of virtual calls.
  target_compile_options(${t} PRIVATE -w $<$<AND:$<COMPILE_LANGUAGE:CXX>,$<BOOL:${WIN32}>>:-fno-rtti>)
endforeach()
if(WIN32)
  target_link_libraries(sevenzip_core PUBLIC oleaut32 uuid)
else()
  # 7-Zip's POSIX build of its Windows layer: BSTR and VARIANT helpers, UTF-8 file names, pthreads.
  find_package(Threads REQUIRED)
  target_sources(sevenzip_core PRIVATE "${SZ}/CPP/Common/MyWindows.cpp" "${SZ}/CPP/Common/UTFConvert.cpp")
  target_link_libraries(sevenzip_core PUBLIC Threads::Threads)
  foreach(t sevenzip_core sevenzip_registration)
    target_compile_definitions(${t} PUBLIC _FILE_OFFSET_BITS=64 _LARGEFILE_SOURCE _REENTRANT)
    # It reads unaligned words on purpose where the processor allows it (x86), and takes the address of element
    # 0 of empty vectors (&v[0], never read: a null reference to UBSan). A real null access still ends the run.
    target_compile_options(${t} PRIVATE -fno-sanitize=alignment,null)
  endforeach()
endif()
# What extraction speed rests on: the inner loops of the LZMA and LZMA2 decoders (also multi-threaded), of BCJ/BCJ2
# and the other filters, CRC, and the 7z extraction loop. The rest of the library, the coders' C++ wrappers
# included, runs once per archive, folder or buffer and is compiled for size (scripts/bench.sh --baseline measures
# the difference).
kvsfx_speed(
  ${SZ}/C/7zCrc.c ${SZ}/C/7zCrcOpt.c ${SZ}/C/Bcj2.c ${SZ}/C/Bra.c ${SZ}/C/Bra86.c ${SZ}/C/Delta.c ${SZ}/C/LzmaDec.c
  ${SZ}/C/Lzma2Dec.c ${SZ}/C/Lzma2DecMt.c ${SZ}/C/MtDec.c ${SZ}/C/SwapBytes.c ${SZ}/CPP/7zip/Archive/7z/7zExtract.cpp)
# GCC 12 with -ffunction-sections reports a section type conflict here unless partial inlining is off.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  set_source_files_properties("${SZ}/CPP/7zip/Common/ProgressUtils.cpp" PROPERTIES COMPILE_OPTIONS -fno-partial-inlining)
endif()
target_link_libraries(sevenzip_registration PUBLIC sevenzip_core)

# What programs link: every registration object, then the library they pull from.
add_library(sevenzip INTERFACE)
target_link_libraries(sevenzip INTERFACE "$<LINK_LIBRARY:WHOLE_ARCHIVE,sevenzip_registration>")
