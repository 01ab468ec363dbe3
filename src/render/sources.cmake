# Rendering: image codec (portable) and its device conversions (Win32).
list(APPEND KVS_CORE_SOURCES
  ${KVS_ROOT}/src/render/bitmap.cpp)
if(WIN32)
  list(APPEND KVS_WIN32_SOURCES
    ${KVS_ROOT}/src/render/win32/bitmap_win32.cpp)
endif()
# Renderer: geometry and extension registry (portable), set-up and frame
# composition, texture tables, motion blur ring and text (GL, no Windows
# headers); the WGL context (Win32).
list(APPEND KVS_CORE_SOURCES
  ${KVS_ROOT}/src/render/geometry.cpp
  ${KVS_ROOT}/src/render/extensions.cpp
  ${KVS_ROOT}/src/render/render.cpp
  ${KVS_ROOT}/src/render/glyph_textures.cpp
  ${KVS_ROOT}/src/render/atlas_pages.cpp
  ${KVS_ROOT}/src/render/motion_blur.cpp
  ${KVS_ROOT}/src/render/text.cpp)
if(WIN32)
  list(APPEND KVS_WIN32_SOURCES
    ${KVS_ROOT}/src/render/win32/glcontext.cpp)
endif()
list(APPEND KVS_CORE_SOURCES
  ${KVS_ROOT}/src/render/layer_batch.cpp
  ${KVS_ROOT}/src/render/visible_extent.cpp
  ${KVS_ROOT}/src/render/texture_atlas.cpp)
