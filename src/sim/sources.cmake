list(APPEND KVS_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/random.cpp
  ${CMAKE_CURRENT_LIST_DIR}/path.cpp)
list(APPEND KVS_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/buffer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/eval.cpp
  ${KVS_ROOT}/src/render/textures.cpp)
