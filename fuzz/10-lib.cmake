# libFuzzer targets of the library core: archive lookup (in memory and through
# quon_dar_add_file), OIA meshes, font descriptions and memory-file reads.
# Each gets a short smoke run in CTest; seeds live in corpus/<target>/.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(STATUS "fuzz targets of the library core need clang; skipped")
  return()
endif()

set(_lib ${PROJECT_SOURCE_DIR}/lib/src)
set(QUON_FUZZ_SMOKE_SECONDS 20 CACHE STRING "Seconds of each fuzzer's smoke run in CTest")
add_library(quon_fuzz_core STATIC
  ${_lib}/ql.cpp ${_lib}/quonlib.cpp ${_lib}/data.cpp ${_lib}/memfile.cpp ${_lib}/oia.cpp
  ${_lib}/font.cpp)
target_include_directories(quon_fuzz_core
  PUBLIC ${PROJECT_SOURCE_DIR}/lib/include ${_lib})
target_compile_options(quon_fuzz_core PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
find_package(OpenGL REQUIRED)
target_link_libraries(quon_fuzz_core PUBLIC OpenGL::GL)

foreach(_name archive oia font memfile)
  add_executable(fuzz_${_name} ${CMAKE_CURRENT_LIST_DIR}/fuzz_${_name}.cpp)
  target_compile_options(fuzz_${_name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(fuzz_${_name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(fuzz_${_name} PRIVATE quon_fuzz_core)
  if(QUON_TESTS)
    # The corpus is copied so that the smoke run adds nothing to the sources.
    add_test(NAME fuzz_${_name}_smoke
      COMMAND sh -c "rm -rf \"$1\" && cp -r \"$2\" \"$1\" && \"$3\" -max_total_time=$4 -rss_limit_mb=2048 -close_fd_mask=1 \"$1\""
        smoke ${CMAKE_CURRENT_BINARY_DIR}/corpus_${_name} ${CMAKE_CURRENT_LIST_DIR}/corpus/${_name}
        $<TARGET_FILE:fuzz_${_name}> ${QUON_FUZZ_SMOKE_SECONDS})
    set_tests_properties(fuzz_${_name}_smoke PROPERTIES LABELS fuzz TIMEOUT 120)
  endif()
endforeach()
