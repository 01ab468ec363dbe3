# Sound: mixer and event rules natively; the decoder on generated and damaged
# samples (a program of its own: it needs the generator); under Wine the library
# binding against a recording library, and the built-in mixer's capture.
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

# The recording fmod.dll, complete and without FSOUND_SetPan, each in a folder of
# its own (beside the screensaver every run would use it). It has the export
# names of a 64-bit build: it and its tests belong to the x86_64 tree.
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(KVS_RECORDER_ENVIRONMENT)
  foreach(variant full partial)
    set(dir ${CMAKE_BINARY_DIR}/sound-recorder-${variant})
    add_library(kvs_fmod_recorder_${variant} SHARED ${CMAKE_CURRENT_LIST_DIR}/win32/fmod_recorder.cpp)
    target_link_libraries(kvs_fmod_recorder_${variant} PRIVATE ${KVS_STATIC_RUNTIME})
    set_target_properties(kvs_fmod_recorder_${variant} PROPERTIES OUTPUT_NAME fmod PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${dir})
    string(TOUPPER ${variant} name)
    list(APPEND KVS_RECORDER_ENVIRONMENT "KVS_${name}_RECORDER_DIR=${dir}")
  endforeach()
  target_compile_definitions(kvs_fmod_recorder_partial PRIVATE KVS_RECORDER_WITHOUT_SET_PAN)

  # In-process binding tests; the program carries the screensaver's resources.
  kvs_add_wine_test(kvs_sound_binding_wine_test ${CMAKE_CURRENT_LIST_DIR}/win32/binding_wine_test.cpp
    ${KVS_ROOT}/tests/host/win32/saver_harness.cpp ${KVS_ROOT}/resources/kvs.rc)
  target_include_directories(kvs_sound_binding_wine_test PRIVATE ${KVS_ROOT}/tests ${KVS_GEN_DIR} ${KVS_ART_DIR}
                             ${KVS_ROOT}/resources)
  target_compile_definitions(kvs_sound_binding_wine_test PRIVATE ${KVS_RC_DEFINES})
  add_dependencies(kvs_sound_binding_wine_test kvs_fmod_recorder_full kvs_fmod_recorder_partial kvs_strings kvs_art)
  set_property(TEST kvs_sound_binding_wine_test APPEND PROPERTY ENVIRONMENT ${KVS_RECORDER_ENVIRONMENT})

  kvs_add_saver_wine_test(kvs_sound_saver_wine_test ${CMAKE_CURRENT_LIST_DIR}/win32/sound_saver_wine_test.cpp)
endif()
