# libFuzzer target of the scroller text path: the scene takes its text from a
# memory file and the scroller draws it, into the recording OpenGL stand-in; each glyph is checked.
if(NOT QUON_FUZZ_READY)
  return()
endif()
set(_lib ${PROJECT_SOURCE_DIR}/lib/src)
set(_src ${PROJECT_SOURCE_DIR}/src)
quon_add_fuzzer(scroller_text
  SOURCES ${_src}/Scene.cpp ${_src}/Scene1.cpp ${_src}/Scroller.cpp ${_src}/ScrollerSimple.cpp
          ${_lib}/png.cpp ${_lib}/quonlib_image.cpp ${PROJECT_SOURCE_DIR}/tests/support/gl_recorder.cpp
  INCLUDES ${_src} ${PROJECT_SOURCE_DIR}/tests/support
  LIBS ZLIB::ZLIB)
