# The settings fuzz target's driver run natively on the hostile records (kvs_tests);
# the fuzz targets themselves belong to the fuzz tree (fuzz.cmake).
list(APPEND KVS_NATIVE_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/settings_run.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settings_run_test.cpp
  ${KVS_ROOT}/tests/settings/hostile_records.cpp)
