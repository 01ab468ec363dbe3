list(APPEND KVS_NATIVE_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/settings_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/labels_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/strings_test.cpp)
kvs_add_wine_test(kvs_strings_wine_test ${CMAKE_CURRENT_LIST_DIR}/win32/strings_wine_test.cpp)
list(APPEND KVS_NATIVE_TEST_SOURCES ${CMAKE_CURRENT_LIST_DIR}/presetfile_test.cpp)
kvs_add_wine_test(kvs_storage_wine_test ${CMAKE_CURRENT_LIST_DIR}/win32/storage_wine_test.cpp)
kvs_add_wine_test(kvs_presets_wine_test ${CMAKE_CURRENT_LIST_DIR}/win32/presets_wine_test.cpp)
