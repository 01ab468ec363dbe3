# Sound events (portable part).
list(APPEND KVS_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/sound.cpp)
