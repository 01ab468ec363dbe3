# Sound: the mixer against its literal definition and the event rules natively
# (kvs_tests); the Vorbis decoder on generated and damaged samples (its own
# program: it needs the sample generator); the library binding with a recording
# library, and the built-in mixer's capture, under Wine.
list(APPEND KVS_NATIVE_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/mixer_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sound_events_test.cpp)

if(NOT WIN32)
  add_executable(kvs_sound_decode_tests ${CMAKE_CURRENT_LIST_DIR}/vorbis_test.cpp)
  target_link_libraries(kvs_sound_decode_tests PRIVATE kvs_core kvs_artlib GTest::gtest GTest::gtest_main)
  add_test(NAME sound_decode_tests COMMAND kvs_sound_decode_tests --gtest_brief=1)
  set_tests_properties(sound_decode_tests PROPERTIES
    ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
endif()

# The recording library, as fmod.dll in folders of its own (never beside the
# screensaver of this tree, which would then use it): complete, and without
# FSOUND_SetPan. Its export names are those of a 64-bit build, so it and the
# tests that use it exist in the x86_64 tree, the one that runs under Wine.
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(KVS_RECORDER_DIR ${CMAKE_BINARY_DIR}/sound-recorder)
  set(KVS_PARTIAL_RECORDER_DIR ${CMAKE_BINARY_DIR}/sound-recorder-partial)
  foreach(variant full partial)
    set(target kvs_fmod_recorder_${variant})
    add_library(${target} SHARED ${CMAKE_CURRENT_LIST_DIR}/win32/fmod_recorder.cpp)
    target_link_libraries(${target} PRIVATE ${KVS_STATIC_RUNTIME})
    set_target_properties(${target} PROPERTIES OUTPUT_NAME fmod PREFIX "")
    if(variant STREQUAL full)
      set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${KVS_RECORDER_DIR})
    else()
      set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${KVS_PARTIAL_RECORDER_DIR})
      target_compile_definitions(${target} PRIVATE KVS_RECORDER_WITHOUT_SET_PAN)
    endif()
  endforeach()
  set(KVS_RECORDER_ENVIRONMENT "KVS_RECORDER_DIR=${KVS_RECORDER_DIR};KVS_PARTIAL_RECORDER_DIR=${KVS_PARTIAL_RECORDER_DIR}")

  # In-process binding tests: the program carries the screensaver's resources.
  kvs_add_wine_test(kvs_sound_binding_wine_test
    ${CMAKE_CURRENT_LIST_DIR}/win32/binding_wine_test.cpp ${KVS_ROOT}/resources/kvs.rc)
  target_include_directories(kvs_sound_binding_wine_test PRIVATE ${KVS_GEN_DIR} ${KVS_ART_DIR} ${KVS_ROOT}/resources)
  target_compile_definitions(kvs_sound_binding_wine_test PRIVATE ${KVS_RC_DEFINES})
  add_dependencies(kvs_sound_binding_wine_test kvs_fmod_recorder_full kvs_fmod_recorder_partial kvs_strings)
  if(TARGET kvs_art)
    add_dependencies(kvs_sound_binding_wine_test kvs_art)
  endif()
  set_property(TEST kvs_sound_binding_wine_test APPEND PROPERTY ENVIRONMENT ${KVS_RECORDER_ENVIRONMENT})

  kvs_add_saver_wine_test(kvs_sound_saver_wine_test ${CMAKE_CURRENT_LIST_DIR}/win32/sound_saver_wine_test.cpp)
  add_dependencies(kvs_sound_saver_wine_test kvs_fmod_recorder_full kvs_fmod_recorder_partial)
  set_property(TEST kvs_sound_saver_wine_test APPEND PROPERTY ENVIRONMENT ${KVS_RECORDER_ENVIRONMENT})
endif()
