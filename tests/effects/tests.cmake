# Special effects: the effect registry and triggering.
list(APPEND KVS_NATIVE_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/effects_test.cpp)
