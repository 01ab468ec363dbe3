# Sound: the events, the built-in mixer, the Vorbis decoder and the WAV capture
# (portable); the sound-library binding and the waveOut output (Win32).
#
# The decoder is stb_vorbis from Debian's libstb-dev (tools/setup.sh installs
# it), compiled into the program; the Windows trees read the same header.
find_path(KVS_STB_INCLUDE_DIR stb_vorbis.h PATHS /usr/include/stb NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT KVS_STB_INCLUDE_DIR)
  message(FATAL_ERROR "stb_vorbis.h not found in /usr/include/stb: run tools/setup.sh (package libstb-dev)")
endif()
set(KVS_STB_SOURCES ${CMAKE_CURRENT_LIST_DIR}/vorbis.cpp ${CMAKE_CURRENT_LIST_DIR}/stb_vorbis_impl.c)
set_source_files_properties(${KVS_STB_SOURCES} PROPERTIES INCLUDE_DIRECTORIES ${KVS_STB_INCLUDE_DIR})
# Third-party code: its warnings are not ours to fix. It builds 32-bit words
# from bytes that may be its end-of-packet marker -1 ("-1 << 8"), which GCC
# defines; the sanitizers keep checking everything else of it, memory above all.
set(KVS_STB_OPTIONS -w)
if(KVS_SANITIZE)
  list(APPEND KVS_STB_OPTIONS -fno-sanitize=shift-base)
endif()
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/stb_vorbis_impl.c PROPERTIES COMPILE_OPTIONS "${KVS_STB_OPTIONS}")

list(APPEND KVS_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/sound.cpp
  ${CMAKE_CURRENT_LIST_DIR}/held_events.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mixer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wav_file.cpp
  ${KVS_STB_SOURCES})
if(WIN32)
  list(APPEND KVS_WIN32_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/win32/binding.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32/waveout.cpp)
endif()
