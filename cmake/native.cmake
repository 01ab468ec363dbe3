# Native tree: unit tests of the portable core, tools and benchmarks.
find_package(GTest REQUIRED)
find_package(Threads REQUIRED)

# The maker's server of the online services.
add_subdirectory(${KVS_ROOT}/server ${CMAKE_BINARY_DIR}/server)

file(GLOB KVS_TEST_LISTS ${KVS_ROOT}/tests/*/tests.cmake)
function(kvs_add_wine_test name)
  # Wine tests belong to the Windows trees.
endfunction()
foreach(list_file ${KVS_TEST_LISTS})
  include(${list_file})
endforeach()

add_executable(kvs_tests ${KVS_NATIVE_TEST_SOURCES})
target_link_libraries(kvs_tests PRIVATE kvs_core GTest::gtest GTest::gtest_main Threads::Threads)
target_include_directories(kvs_tests PRIVATE ${KVS_ROOT}/tests)
add_test(NAME native_unit_tests COMMAND kvs_tests --gtest_brief=1)
set_tests_properties(native_unit_tests PROPERTIES
  ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")

file(GLOB KVS_TOOL_DIRS LIST_DIRECTORIES true ${KVS_ROOT}/tools/*)
foreach(dir ${KVS_TOOL_DIRS})
  if(EXISTS ${dir}/CMakeLists.txt)
    add_subdirectory(${dir})
  endif()
endforeach()
