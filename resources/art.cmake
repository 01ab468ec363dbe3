# Generated pictures, icon and sound samples.
#
# kvs_generate_art(OUT_DIR TOOL_PATH) defines the target kvs_art, which runs the
# host tool kvs_artgen (at TOOL_PATH) to write every payload file into OUT_DIR
# together with OUT_DIR/artwork.rc, the resource script that declares them by
# relative file name. artwork.rc is written last and serves as the stamp of the
# whole set. The caller orders kvs_art after the target that builds the tool.
function(kvs_generate_art OUT_DIR TOOL_PATH)
  file(GLOB generator_sources CONFIGURE_DEPENDS
       ${KVS_ROOT}/tools/artgen/*.cpp ${KVS_ROOT}/tools/artgen/*.h ${KVS_ROOT}/tools/artgen/*.inc
       ${KVS_ROOT}/src/render/bitmap.cpp ${KVS_ROOT}/src/render/bitmap.h)
  add_custom_command(
    OUTPUT ${OUT_DIR}/artwork.rc
    COMMAND ${CMAKE_COMMAND} -E make_directory ${OUT_DIR}
    COMMAND ${TOOL_PATH} --out ${OUT_DIR}
    DEPENDS ${generator_sources}
    COMMENT "Drawing the artwork and synthesising the sound samples"
    VERBATIM)
  add_custom_target(kvs_art DEPENDS ${OUT_DIR}/artwork.rc)
endfunction()
