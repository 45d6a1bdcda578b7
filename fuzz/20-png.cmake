# libFuzzer target of the PNG decoder and the image loader.
if(NOT QUON_FUZZ_READY)
  return()
endif()
set(_lib ${PROJECT_SOURCE_DIR}/lib/src)
quon_add_fuzzer(png
  SOURCES ${_lib}/png.cpp ${_lib}/quonlib_image.cpp
  INCLUDES ${PROJECT_SOURCE_DIR}/tests/support
  LIBS ZLIB::ZLIB)
