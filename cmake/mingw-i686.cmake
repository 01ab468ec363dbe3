# 32-bit Windows: the shipped screensaver.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KVS_TRIPLET i686-w64-mingw32)
set(KVS_WINE_ARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
