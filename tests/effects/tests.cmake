# Special effects: the effect registry and triggering.
list(APPEND KVS_NATIVE_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/effects_test.cpp)
# The effect modules: whole runs, stored values, and how each one looks.
list(APPEND KVS_NATIVE_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/effect_runs_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/effect_looks_test.cpp)
