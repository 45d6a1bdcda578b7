# libFuzzer target of the PNG decoder and the image loader, with a short smoke
# run in CTest; seeds live in corpus/png/.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(STATUS "the PNG fuzz target needs clang; skipped")
  return()
endif()

set(_lib ${PROJECT_SOURCE_DIR}/lib/src)
set(QUON_FUZZ_SMOKE_SECONDS 20 CACHE STRING "Seconds of each fuzzer's smoke run in CTest")
find_package(ZLIB REQUIRED)
add_executable(fuzz_png ${CMAKE_CURRENT_LIST_DIR}/fuzz_png.cpp
  ${_lib}/png.cpp ${_lib}/quonlib_image.cpp)
target_include_directories(fuzz_png PRIVATE ${PROJECT_SOURCE_DIR}/lib/include ${_lib} ${PROJECT_SOURCE_DIR}/tests)
target_compile_options(fuzz_png PRIVATE -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
target_link_options(fuzz_png PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_libraries(fuzz_png PRIVATE quon_fuzz_core ZLIB::ZLIB)
if(QUON_TESTS)
  # The corpus is copied so that the smoke run adds nothing to the sources.
  add_test(NAME fuzz_png_smoke
    COMMAND sh -c "rm -rf \"$1\" && cp -r \"$2\" \"$1\" && \"$3\" -max_total_time=$4 -rss_limit_mb=2048 -close_fd_mask=1 \"$1\""
      smoke ${CMAKE_CURRENT_BINARY_DIR}/corpus_png ${CMAKE_CURRENT_LIST_DIR}/corpus/png
      $<TARGET_FILE:fuzz_png> ${QUON_FUZZ_SMOKE_SECONDS})
  set_tests_properties(fuzz_png_smoke PROPERTIES LABELS fuzz TIMEOUT 120)
endif()
