# 64-bit Windows: the same program, for running the Wine tests where 32-bit user
# code cannot run.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KVS_TRIPLET x86_64-w64-mingw32)
set(KVS_WINE_ARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
