# Saver host: the portable display table and frame time arithmetic.
list(APPEND KVS_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/display_table.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frametime.cpp)
