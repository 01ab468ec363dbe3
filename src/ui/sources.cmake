# Settings window: the control table with its scales and labels, the colour menus
# and the display-mode lists (portable); the custom control classes and the window
# (Win32).
list(APPEND KVS_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/layout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/controls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/colour_menus.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mode_lists.cpp)
if(WIN32)
  list(APPEND KVS_WIN32_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/win32/control_common.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32/control_buttons.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32/control_tick.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32/control_check.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32/control_list.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32/control_edit.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32/settings_window.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32/settings_pages.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32/settings_choices.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32/strips.cpp)
endif()
