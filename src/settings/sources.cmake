list(APPEND KVS_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settings_layout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scales.cpp
  ${CMAKE_CURRENT_LIST_DIR}/labels.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cache.cpp
  ${CMAKE_CURRENT_LIST_DIR}/strings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fatal.cpp
  ${CMAKE_CURRENT_LIST_DIR}/memory.cpp)
list(APPEND KVS_WIN32_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/win32/platform_strings.cpp)
list(APPEND KVS_CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/presetfile.cpp)
list(APPEND KVS_WIN32_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/win32/storage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win32/presets.cpp)
