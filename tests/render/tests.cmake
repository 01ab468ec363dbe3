# Rendering tests: the image codec natively; the shipped resources under Wine.
list(APPEND KVS_NATIVE_TEST_SOURCES
  ${KVS_ROOT}/tests/render/bitmap_test.cpp
  ${KVS_ROOT}/tests/render/blur_test.cpp)
