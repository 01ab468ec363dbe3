# Coverage-guided fuzzing with libFuzzer (clang): the preset file reader, the
# ABITMAP loader and a settings record driving the rain, the effects and the
# renderer's geometry, all under AddressSanitizer and UBSan. Each target runs
# for KVS_FUZZ_SECONDS in the test command; tools/fuzz.sh runs them for longer.
set(KVS_FUZZ_SECONDS 30 CACHE STRING "Seconds each fuzz target runs in the test command")
set(KVS_FUZZ_DIR ${CMAKE_BINARY_DIR}/fuzz)

add_executable(kvs_fuzz_seeds ${CMAKE_CURRENT_LIST_DIR}/seeds.cpp)
target_link_libraries(kvs_fuzz_seeds PRIVATE kvs_core)
target_link_options(kvs_fuzz_seeds PRIVATE -fsanitize=address,undefined)
add_test(NAME fuzz_seeds COMMAND kvs_fuzz_seeds ${KVS_FUZZ_DIR}/seeds)
set_tests_properties(fuzz_seeds PROPERTIES FIXTURES_SETUP kvs_fuzz_seeds)

function(kvs_add_fuzz_target name)
  add_executable(kvs_fuzz_${name} ${ARGN})
  target_link_libraries(kvs_fuzz_${name} PRIVATE kvs_core)
  target_link_options(kvs_fuzz_${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  file(MAKE_DIRECTORY ${KVS_FUZZ_DIR}/corpus/${name} ${KVS_FUZZ_DIR}/artifacts)
  # The working corpus grows from run to run; the seeds are read too.
  add_test(NAME fuzz_${name}
           COMMAND kvs_fuzz_${name} -max_total_time=${KVS_FUZZ_SECONDS} -timeout=60 -rss_limit_mb=2048
                   -print_final_stats=1 -artifact_prefix=${KVS_FUZZ_DIR}/artifacts/${name}-
                   ${KVS_FUZZ_DIR}/corpus/${name} ${KVS_FUZZ_DIR}/seeds/${name})
  set_tests_properties(fuzz_${name} PROPERTIES FIXTURES_REQUIRED kvs_fuzz_seeds
                       TIMEOUT 300 ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0;UBSAN_OPTIONS=print_stacktrace=1")
endfunction()

kvs_add_fuzz_target(preset ${CMAKE_CURRENT_LIST_DIR}/preset_fuzz.cpp)
kvs_add_fuzz_target(bitmap ${CMAKE_CURRENT_LIST_DIR}/bitmap_fuzz.cpp)
kvs_add_fuzz_target(settings ${CMAKE_CURRENT_LIST_DIR}/settings_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/settings_run.cpp)
