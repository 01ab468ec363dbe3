# Code rain: code grid, tracers and streams, incoming text, whole runs.
list(APPEND KVS_NATIVE_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/buffer_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/eval_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/run_test.cpp)
