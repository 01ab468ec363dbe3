# 32-bit Windows: the shipped screensaver.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KVS_TRIPLET i686-w64-mingw32)
set(KVS_WINE_ARCH win32)
# SSE2 arithmetic, as on x86_64 and natively: the x87 unit's extended precision
# would round the scales and the random source differently from the tested
# builds. Windows enters callbacks (window procedures, dialog procedures, thread
# starts) with a stack aligned to only 4 bytes; functions that keep SSE values on
# the stack realign it themselves.
set(KVS_I686_FLAGS "-msse2 -mfpmath=sse -mincoming-stack-boundary=2")
set(CMAKE_C_FLAGS_INIT "${KVS_I686_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${KVS_I686_FLAGS}")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
