# Saver host and renderer tests: the portable rules natively (kvs_tests); the
# built screensaver in every mode and every post-effect under Wine, each program
# on a virtual display of its own, one at a time.
list(APPEND KVS_NATIVE_TEST_SOURCES
  ${KVS_ROOT}/tests/host/cmdline_test.cpp
  ${KVS_ROOT}/tests/host/saver_input_test.cpp
  ${KVS_ROOT}/tests/host/display_layout_test.cpp
  ${KVS_ROOT}/tests/render/geometry_test.cpp
  ${KVS_ROOT}/tests/render/extensions_test.cpp
  ${KVS_ROOT}/tests/render/layer_batch_test.cpp)

if(WIN32)
  function(kvs_add_saver_wine_test name)
    add_executable(${name} ${ARGN} ${KVS_ROOT}/tests/host/win32/saver_harness.cpp)
    target_link_libraries(${name} PRIVATE kvs_win32 gtest gtest_main ${KVS_STATIC_RUNTIME})
    target_include_directories(${name} PRIVATE ${KVS_ROOT}/tests)
    add_dependencies(${name} kvs_scr)
    add_test(NAME ${name}
             COMMAND bash ${KVS_ROOT}/tests/host/isolated_wine.sh $<TARGET_FILE:${name}> --gtest_brief=1)
    set_tests_properties(${name} PROPERTIES
      ENVIRONMENT "KVS_WINE_ARCH=${KVS_WINE_ARCH};WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix-saver;KVS_SCR=${KVS_SHIPPED_SCR};KVS_SCR_RUNNABLE=${KVS_SCR_PATH};KVS_OUT_DIR=${CMAKE_BINARY_DIR}/test-output/${name}"
      RESOURCE_LOCK kvs_saver_display
      TIMEOUT 400)
  endfunction()

  kvs_add_saver_wine_test(kvs_saver_modes_wine_test ${KVS_ROOT}/tests/host/win32/saver_modes_wine_test.cpp)
  kvs_add_saver_wine_test(kvs_post_effects_wine_test ${KVS_ROOT}/tests/render/win32/post_effects_wine_test.cpp)
  kvs_add_saver_wine_test(kvs_effects_wine_test ${KVS_ROOT}/tests/effects/win32/effects_wine_test.cpp)
  kvs_add_saver_wine_test(kvs_hostile_records_wine_test ${KVS_ROOT}/tests/host/win32/hostile_records_wine_test.cpp
                          ${KVS_ROOT}/tests/settings/hostile_records.cpp)
  target_link_libraries(kvs_hostile_records_wine_test PRIVATE psapi)
  # A small screen: software GL fills the heaviest records' frames in a second.
  set_property(TEST kvs_hostile_records_wine_test APPEND PROPERTY ENVIRONMENT "KVS_TEST_SCREEN=480x360x24")
  # Real display layouts on the dummy video driver's server (isolated_wine.sh):
  # one display, at 144 pixels per inch too, then two displays side by side.
  kvs_add_saver_wine_test(kvs_displays_wine_test ${KVS_ROOT}/tests/host/win32/displays_wine_test.cpp)
  set_property(TEST kvs_displays_wine_test APPEND PROPERTY ENVIRONMENT "KVS_TEST_DISPLAYS=1024x768;GTEST_FILTER=-TwoDisplays.*")
  add_test(NAME kvs_two_displays_wine_test
           COMMAND bash ${KVS_ROOT}/tests/host/isolated_wine.sh $<TARGET_FILE:kvs_displays_wine_test> --gtest_brief=1)
  set_tests_properties(kvs_two_displays_wine_test PROPERTIES
    ENVIRONMENT "KVS_WINE_ARCH=${KVS_WINE_ARCH};WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix-saver;KVS_SCR=${KVS_SHIPPED_SCR};KVS_SCR_RUNNABLE=${KVS_SCR_PATH};KVS_OUT_DIR=${CMAKE_BINARY_DIR}/test-output/kvs_two_displays_wine_test;KVS_TEST_DISPLAYS=1024x768,800x600;GTEST_FILTER=TwoDisplays.*:ModeList.*"
    RESOURCE_LOCK kvs_saver_display
    TIMEOUT 400)
  kvs_add_wine_test(kvs_glcontext_wine_test ${KVS_ROOT}/tests/render/win32/glcontext_wine_test.cpp)
  kvs_add_wine_test(kvs_frame_tick_wine_test ${KVS_ROOT}/tests/host/win32/frame_tick_wine_test.cpp)
endif()

# Saver host: the frame time arithmetic.
list(APPEND KVS_NATIVE_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/frametime_test.cpp)

# The renderer on an off-screen GL context, natively (OSMesa), when available.
if(NOT WIN32)
  find_package(PkgConfig QUIET)
  if(PkgConfig_FOUND)
    pkg_check_modules(KVS_OSMESA QUIET osmesa glu)
  endif()
  if(KVS_OSMESA_FOUND)
    add_executable(kvs_render_gl_tests ${KVS_ROOT}/tests/render/render_gl_test.cpp
                   ${KVS_ROOT}/tests/render/cut_quads_gl_test.cpp)
    # The program's own pictures come from the artwork generator (tools/artgen).
    target_link_libraries(kvs_render_gl_tests PRIVATE kvs_core kvs_artlib ${KVS_OSMESA_LIBRARIES} GTest::gtest
                          GTest::gtest_main)
    add_test(NAME native_render_gl_tests COMMAND kvs_render_gl_tests --gtest_brief=1)
    set_tests_properties(native_render_gl_tests PROPERTIES
      ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0;LSAN_OPTIONS=suppressions=${KVS_ROOT}/tests/render/osmesa_leaks.supp;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
  endif()
endif()

# The version in VERSION against the shipped file's version resource and the
# release package's name.
if(WIN32)
  add_test(NAME kvs_version_check
           COMMAND bash ${KVS_ROOT}/tests/host/version_check.sh ${KVS_SHIPPED_SCR} ${KVS_ROOT}/VERSION
                   ${KVS_ROOT}/tools/package.sh)
endif()
