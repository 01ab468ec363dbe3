# Settings window: the control table, colour menus and mode lists natively; the
# real window and its controls under Wine.
list(APPEND KVS_NATIVE_TEST_SOURCES ${CMAKE_CURRENT_LIST_DIR}/controls_test.cpp)
