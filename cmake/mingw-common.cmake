# mingw-w64 cross compilation (posix thread model, runtime linked statically).
# Included by the per-architecture toolchain files after they set KVS_TRIPLET.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${KVS_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KVS_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${KVS_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KVS_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
