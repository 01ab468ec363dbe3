# Special effects: the effect registry and triggering (portable).
list(APPEND KVS_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/effects.cpp)
