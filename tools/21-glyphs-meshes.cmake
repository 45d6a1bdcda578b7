# Two generators: glyphgen (the scroller glyphs, the pixel font and the
# scroller text) and meshgen (the cheese and UFO meshes). Their output is
# committed in data/; `make regen-glyph-assets` rewrites it there after a
# change to the art.
add_executable(glyphgen
  ${CMAKE_CURRENT_LIST_DIR}/glyphs/glyphgen.cpp
  ${CMAKE_CURRENT_LIST_DIR}/glyphs/blippo.cpp
  ${CMAKE_CURRENT_LIST_DIR}/glyphs/pixelfont.cpp
  ${CMAKE_CURRENT_LIST_DIR}/glyphs/scrolltext.cpp)
target_link_libraries(glyphgen PRIVATE tools_common)
add_executable(meshgen
  ${CMAKE_CURRENT_LIST_DIR}/mesh/meshgen.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mesh/oia.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mesh/cheese.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mesh/ufo.cpp)
target_link_libraries(meshgen PRIVATE tools_common)
add_custom_target(regen-glyph-assets
  COMMAND glyphgen ${QUON_DATA_DIR}
  COMMAND meshgen ${QUON_DATA_DIR}
  COMMENT "Rewriting the glyph, font, text and mesh assets in data/")
