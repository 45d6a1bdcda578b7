# Generators of the scroller glyphs, the pixel font, the scroller text and the
# two meshes. Their output is committed in data/; `make regen-glyph-assets`
# rewrites it there after a change to the art.
add_executable(glyphgen
  ${CMAKE_CURRENT_LIST_DIR}/glyphs/glyphgen.cpp
  ${CMAKE_CURRENT_LIST_DIR}/glyphs/blippo.cpp
  ${CMAKE_CURRENT_LIST_DIR}/glyphs/pixelfont.cpp
  ${CMAKE_CURRENT_LIST_DIR}/glyphs/scrolltext.cpp)
target_link_libraries(glyphgen PRIVATE tools_common)
