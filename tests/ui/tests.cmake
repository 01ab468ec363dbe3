# Settings window: the control table, colour menus and mode lists natively; the
# real window and its controls under Wine.
list(APPEND KVS_NATIVE_TEST_SOURCES ${CMAKE_CURRENT_LIST_DIR}/controls_test.cpp)
if(WIN32)
  kvs_add_saver_wine_test(kvs_settings_window_wine_test ${CMAKE_CURRENT_LIST_DIR}/win32/settings_window_wine_test.cpp)
endif()
