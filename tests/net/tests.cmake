# Online services: the portable formats (kvs_tests); the server natively over
# loopback; the form, the Transmission dialog and the requests under Wine against
# the real server on loopback, which the test's script starts and stops.
list(APPEND KVS_NATIVE_TEST_SOURCES ${CMAKE_CURRENT_LIST_DIR}/online_format_test.cpp)
if(NOT WIN32)
  add_executable(kvs_server_tests ${CMAKE_CURRENT_LIST_DIR}/server_test.cpp)
  target_link_libraries(kvs_server_tests PRIVATE kvs_server_lib GTest::gtest GTest::gtest_main)
  add_test(NAME native_server_tests COMMAND kvs_server_tests --gtest_brief=1)
  set_tests_properties(native_server_tests PROPERTIES
    ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
else()
  add_executable(kvs_online_wine_test ${CMAKE_CURRENT_LIST_DIR}/win32/online_wine_test.cpp)
  target_link_libraries(kvs_online_wine_test PRIVATE kvs_win32 gtest gtest_main ws2_32 ${KVS_STATIC_RUNTIME})
  target_include_directories(kvs_online_wine_test PRIVATE ${KVS_ROOT}/tests)
  add_dependencies(kvs_online_wine_test kvs_scr kvs_host_tools)
  add_test(NAME kvs_online_wine_test
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/win32/online_wine.sh ${KVS_HOST_TOOLS_DIR}/server/kvs_server
                   $<TARGET_FILE:kvs_online_wine_test> --gtest_brief=1)
  set_tests_properties(kvs_online_wine_test PROPERTIES
    ENVIRONMENT "KVS_WINE_ARCH=${KVS_WINE_ARCH};WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix;KVS_SCR=${KVS_SHIPPED_SCR}"
    TIMEOUT 300)
endif()
