# Special effects: the effect registry and triggering (portable).
list(APPEND KVS_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/effects.cpp)
# Drawing hooks of the console intro and the crash effect (no-ops until they land).
list(APPEND KVS_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/hooks.cpp)
# The effect modules and their start-up list (portable; they push cell layers).
list(APPEND KVS_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/effect_cells.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dejavu.cpp
  ${CMAKE_CURRENT_LIST_DIR}/bursts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/smallbursts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/drops.cpp
  ${CMAKE_CURRENT_LIST_DIR}/modules.cpp)
