# Windows tree (mingw-w64): the Win32 layer, the screensaver and the Wine tests.
enable_language(RC)
include(ExternalProject)

add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501 WINVER=0x0501)
set(KVS_STATIC_RUNTIME -static -static-libgcc -static-libstdc++)

# Native generators, built with the host compiler into this tree.
set(KVS_HOST_TOOLS_DIR ${CMAKE_BINARY_DIR}/host-tools)
ExternalProject_Add(kvs_host_tools
  SOURCE_DIR ${KVS_ROOT}
  BINARY_DIR ${KVS_HOST_TOOLS_DIR}
  CMAKE_ARGS -DKVS_HOST_TOOLS_ONLY=ON -DCMAKE_BUILD_TYPE=Release
             -DCMAKE_C_COMPILER=cc -DCMAKE_CXX_COMPILER=c++
  BUILD_ALWAYS ON
  INSTALL_COMMAND "")

# Generated artwork and sound samples (when their generator is present).
set(KVS_ART_DIR ${KVS_GEN_DIR}/art)
set(KVS_RC_DEFINES)
if(EXISTS ${KVS_ROOT}/resources/art.cmake)
  include(${KVS_ROOT}/resources/art.cmake)
  kvs_generate_art(${KVS_ART_DIR} ${KVS_HOST_TOOLS_DIR}/tools/artgen/kvs_artgen)
  add_dependencies(kvs_art kvs_host_tools)
  list(APPEND KVS_RC_DEFINES KVS_HAVE_ART)
endif()

# DLLs only some commands need (dialogs, the network, sound, GLU, the common
# controls of the settings window, the shell) are not linked: the program loads
# them by name at the first call of one of their functions (host/win32/late_dlls.h).
add_library(kvs_win32 STATIC ${KVS_WIN32_SOURCES})
target_link_libraries(kvs_win32 PUBLIC kvs_core opengl32 gdi32 advapi32 user32 kernel32)

# The screensaver.
set(KVS_SCR_NAME TheKorvanSelwyth)
add_executable(kvs_scr WIN32 ${KVS_ROOT}/src/host/win32/main.cpp ${KVS_ROOT}/resources/kvs.rc)
set_target_properties(kvs_scr PROPERTIES OUTPUT_NAME ${KVS_SCR_NAME} SUFFIX .scr)
target_link_libraries(kvs_scr PRIVATE kvs_win32 ${KVS_STATIC_RUNTIME})
target_link_options(kvs_scr PRIVATE $<$<CONFIG:Release>:-s>)
target_include_directories(kvs_scr PRIVATE ${KVS_GEN_DIR} ${KVS_ART_DIR} ${KVS_ROOT}/resources)
target_compile_definitions(kvs_scr PRIVATE ${KVS_RC_DEFINES})
add_dependencies(kvs_scr kvs_strings)
if(TARGET kvs_art)
  add_dependencies(kvs_scr kvs_art)
  set_property(SOURCE ${KVS_ROOT}/resources/kvs.rc APPEND PROPERTY OBJECT_DEPENDS ${KVS_ART_DIR}/artwork.rc)
endif()
set_property(SOURCE ${KVS_ROOT}/resources/kvs.rc APPEND PROPERTY OBJECT_DEPENDS
             ${KVS_GEN_DIR}/strings.rc ${KVS_GEN_DIR}/strings_cs.rc ${KVS_ROOT}/resources/dialogs.rc)
set(KVS_SCR_PATH $<TARGET_FILE:kvs_scr>)

# The frame rate the machine's GL reaches for a number of fragments
# (tools/bench_saver.sh measures the screensaver against it).
add_executable(kvs_ceiling ${KVS_ROOT}/tools/ceiling/ceiling.cpp)
target_link_libraries(kvs_ceiling PRIVATE opengl32 gdi32 user32 ${KVS_STATIC_RUNTIME})

# Writes the option records (defaults plus named fields); tools/bench_saver.sh and
# tools/effects_sheet.sh set up each run with it.
add_executable(kvs_saver_options ${KVS_ROOT}/tools/saver_options/saver_options.cpp)
target_link_libraries(kvs_saver_options PRIVATE kvs_core ${KVS_STATIC_RUNTIME})

# The shipped build may be another tree (i686); tests that inspect the shipped
# executable's resources are pointed at it.
if(KVS_SHIPPED_SCR)
  get_filename_component(KVS_SHIPPED_DIR ${KVS_SHIPPED_SCR} DIRECTORY)
else()
  set(KVS_SHIPPED_SCR ${KVS_SCR_PATH})
  set(KVS_SHIPPED_DIR ${CMAKE_BINARY_DIR})
endif()

# GoogleTest, built from Debian's sources with this compiler.
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

set(KVS_WINE_RUN ${KVS_ROOT}/cmake/wine-run.sh)
# kvs_add_wine_test(name sources...): a GoogleTest program run by CTest under Wine.
# These programs share one desktop and find the boxes and dialogs they answer by
# their caption, so they run one at a time: two at once answer each other's boxes.
function(kvs_add_wine_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE kvs_win32 gtest gtest_main ${KVS_STATIC_RUNTIME})
  target_include_directories(${name} PRIVATE ${KVS_ROOT}/tests)
  add_dependencies(${name} kvs_scr)
  add_test(NAME ${name} COMMAND ${KVS_WINE_RUN} $<TARGET_FILE:${name}> --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "KVS_WINE_ARCH=${KVS_WINE_ARCH};WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix;KVS_SCR=${KVS_SHIPPED_SCR};KVS_SCR_RUNNABLE=${KVS_SCR_PATH};KVS_OUT_DIR=${CMAKE_BINARY_DIR}/test-output"
    RESOURCE_LOCK kvs_shared_desktop
    TIMEOUT 300)
endfunction()

# The shipped i686 build as data (it cannot run here): PE headers, imports,
# resources, and SSE2 arithmetic in the portable core's objects.
find_program(KVS_I686_OBJDUMP i686-w64-mingw32-objdump)
find_program(KVS_I686_CXX i686-w64-mingw32-g++-posix)
add_test(NAME kvs_shipped_scr_check
         COMMAND bash ${KVS_ROOT}/tests/host/shipped_scr_check.sh ${KVS_I686_OBJDUMP} ${KVS_SHIPPED_SCR}
                 ${KVS_SHIPPED_DIR}/CMakeFiles/kvs_core.dir)
# No call of either Windows program goes through an import slot that nothing
# fills (it would jump to address 0, in one architecture only).
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(KVS_SLOT_CHECK ${Python3_EXECUTABLE} ${KVS_ROOT}/tests/host/import_slot_check.py)
add_test(NAME kvs_import_slot_check COMMAND ${KVS_SLOT_CHECK} ${CMAKE_OBJDUMP} ${KVS_SCR_PATH})
if(NOT KVS_SHIPPED_SCR STREQUAL KVS_SCR_PATH)
  add_test(NAME kvs_shipped_import_slot_check COMMAND ${KVS_SLOT_CHECK} ${KVS_I686_OBJDUMP} ${KVS_SHIPPED_SCR})
endif()
# The i686 compiler refuses function pointers without their calling convention.
add_test(NAME kvs_calling_convention_guard
         COMMAND ${KVS_I686_CXX} -std=c++17 -fsyntax-only -DWIN32_LEAN_AND_MEAN -I${KVS_ROOT}/src
                 ${KVS_ROOT}/tests/host/win32/calling_convention_guard.cpp)
set_tests_properties(kvs_calling_convention_guard PROPERTIES
  PASS_REGULAR_EXPRESSION "guard.cpp:10:.*its calling convention.*guard.cpp:11:.*its calling convention")

file(GLOB KVS_TEST_LISTS ${KVS_ROOT}/tests/*/tests.cmake)
foreach(list_file ${KVS_TEST_LISTS})
  include(${list_file})
endforeach()
