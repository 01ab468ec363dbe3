# Rendering tests: the image codec natively (kvs_tests); the generated artwork
# and sounds in tools/artgen (kvs_artgen_tests); the resources of the built
# screensaver and the device conversions under Wine.
list(APPEND KVS_NATIVE_TEST_SOURCES
  ${KVS_ROOT}/tests/render/bitmap_test.cpp
  ${KVS_ROOT}/tests/render/blur_test.cpp
  ${KVS_ROOT}/tests/render/visible_extent_test.cpp
  ${KVS_ROOT}/tests/render/texture_atlas_test.cpp)

kvs_add_wine_test(render_resources_wine_test
  ${KVS_ROOT}/tests/render/win32/resources_wine_test.cpp)
