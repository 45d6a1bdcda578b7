# libFuzzer target of the scroller text path: the scene takes its text from a
# memory file and the scroller draws it, into the recording OpenGL stand-in; each glyph is checked.
if(NOT QUON_FUZZ_READY)
  return()
endif()
quon_add_fuzzer(scroller_text
  SOURCES ${PROJECT_SOURCE_DIR}/tests/support/gl_recorder.cpp
  INCLUDES ${PROJECT_SOURCE_DIR}/tests/support
  LIBS demo_scene demo_state)
