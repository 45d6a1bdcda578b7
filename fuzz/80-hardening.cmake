# libFuzzer target of the scroller text path: the scene takes its text from a
# memory file and the scroller draws it, against OpenGL stubs that check each
# glyph. Short smoke run in CTest; seeds live in corpus/scroller_text/.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(STATUS "the scroller text fuzz target needs clang; skipped")
  return()
endif()

set(_lib ${PROJECT_SOURCE_DIR}/lib/src)
set(_src ${PROJECT_SOURCE_DIR}/src)
set(QUON_FUZZ_SMOKE_SECONDS 20 CACHE STRING "Seconds of each fuzzer's smoke run in CTest")
find_package(ZLIB REQUIRED)
add_executable(fuzz_scroller_text ${CMAKE_CURRENT_LIST_DIR}/fuzz_scroller_text.cpp
  ${_src}/Scene.cpp ${_src}/Scene1.cpp ${_src}/Scroller.cpp ${_src}/ScrollerSimple.cpp
  ${_lib}/png.cpp ${_lib}/quonlib_image.cpp)
target_include_directories(fuzz_scroller_text PRIVATE ${_src} ${PROJECT_SOURCE_DIR}/lib/include ${_lib}
  ${PROJECT_SOURCE_DIR}/tests)
target_compile_options(fuzz_scroller_text PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_options(fuzz_scroller_text PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_libraries(fuzz_scroller_text PRIVATE quon_fuzz_core ZLIB::ZLIB)
if(QUON_TESTS)
  # The corpus is copied so that the smoke run adds nothing to the sources.
  add_test(NAME fuzz_scroller_text_smoke
    COMMAND sh -c "rm -rf \"$1\" && cp -r \"$2\" \"$1\" && \"$3\" -max_total_time=$4 -rss_limit_mb=2048 -close_fd_mask=1 \"$1\""
      smoke ${CMAKE_CURRENT_BINARY_DIR}/corpus_scroller_text ${CMAKE_CURRENT_LIST_DIR}/corpus/scroller_text
      $<TARGET_FILE:fuzz_scroller_text> ${QUON_FUZZ_SMOKE_SECONDS})
  set_tests_properties(fuzz_scroller_text_smoke PROPERTIES LABELS fuzz TIMEOUT 120)
endif()
