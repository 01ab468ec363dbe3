# Saver host: the portable display table and frame time arithmetic.
list(APPEND KVS_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/display_table.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frametime.cpp)
# Saver host: command line, input rules, display layout and modes, diagnostics;
# the Win32 start-up, windows, frame tick and displays.
list(APPEND KVS_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/cmdline.cpp
  ${CMAKE_CURRENT_LIST_DIR}/saver_input.cpp
  ${CMAKE_CURRENT_LIST_DIR}/display_layout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/display_modes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/diagnostics.cpp)
if(WIN32)
  list(APPEND KVS_WIN32_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/win32/app.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32/saver_window.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32/displays.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32/late_dlls.cpp)
endif()
