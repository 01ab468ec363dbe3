# Online services: the feedback record, Base64, the version file and the server
# address (portable); the form, the Transmission dialog and the requests over WinINet.
list(APPEND KVS_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/base64.cpp
  ${CMAKE_CURRENT_LIST_DIR}/feedback.cpp
  ${CMAKE_CURRENT_LIST_DIR}/version_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/endpoints.cpp)
if(WIN32)
  list(APPEND KVS_WIN32_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/win32/http_get.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32/transmission.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32/feedback_form.cpp)
endif()
