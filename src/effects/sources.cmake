# Special effects: the effect registry and triggering (portable).
list(APPEND KVS_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/effects.cpp)
# Drawing hooks of the console intro and the crash effect (no-ops until they land).
list(APPEND KVS_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/hooks.cpp)
