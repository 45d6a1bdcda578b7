# The scroller glyphs, the pixel font, the scroller text and the meshes: what
# the demo relies on in each file, and a byte-for-byte remake (with a pngcheck
# pass) by the generators.
find_package(PNG REQUIRED)
quon_add_gtest(assets_glyphs_test
  SOURCES assets_glyphs_test.cpp
  LIBS quon PNG::PNG ZLIB::ZLIB
  LABELS unit)
if(TARGET glyphgen AND TARGET meshgen)
  add_test(NAME assets_glyphs_regen
    COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/assets_glyphs_regen.sh
      $<TARGET_FILE:glyphgen> $<TARGET_FILE:meshgen> ${PROJECT_SOURCE_DIR})
endif()
