# libFuzzer target of the PNG decoder and the image loader.
if(NOT QUON_FUZZ_READY)
  return()
endif()
quon_add_fuzzer(png INCLUDES ${PROJECT_SOURCE_DIR}/tests/support)
