# Shared set-up of the libFuzzer targets (clang only): an instrumented copy of the
# library core, and quon_add_fuzzer(NAME SOURCES... [INCLUDES ...] [LIBS ...]),
# which builds fuzz_NAME with ASan + UBSan and registers a short smoke run in CTest
# on a copy of its seeds in corpus/NAME/.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(STATUS "fuzz targets need clang; skipped")
  set(QUON_FUZZ_READY OFF)
  return()
endif()
set(QUON_FUZZ_READY ON)

set(QUON_FUZZ_SMOKE_SECONDS 20 CACHE STRING "Seconds of each fuzzer's smoke run in CTest")
set(_lib ${PROJECT_SOURCE_DIR}/lib/src)
add_library(quon_fuzz_core STATIC
  ${_lib}/ql.cpp ${_lib}/quonlib.cpp ${_lib}/data.cpp ${_lib}/memfile.cpp ${_lib}/oia.cpp
  ${_lib}/font.cpp)
target_include_directories(quon_fuzz_core PUBLIC ${PROJECT_SOURCE_DIR}/lib/include ${_lib})
target_compile_options(quon_fuzz_core PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
find_package(OpenGL REQUIRED)
find_package(ZLIB REQUIRED)
target_link_libraries(quon_fuzz_core PUBLIC OpenGL::GL)

function(quon_add_fuzzer name)
  cmake_parse_arguments(F "" "" "SOURCES;INCLUDES;LIBS" ${ARGN})
  set(_t fuzz_${name})
  add_executable(${_t} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/fuzz_${name}.cpp ${F_SOURCES})
  target_include_directories(${_t} PRIVATE ${F_INCLUDES})
  target_compile_options(${_t} PRIVATE -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
  target_link_options(${_t} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(${_t} PRIVATE quon_fuzz_core ${F_LIBS})
  if(QUON_TESTS)
    # The corpus is copied so that the smoke run adds nothing to the sources.
    add_test(NAME ${_t}_smoke
      COMMAND sh -c "rm -rf \"$1\" && cp -r \"$2\" \"$1\" && \"$3\" -max_total_time=$4 -rss_limit_mb=2048 -close_fd_mask=1 \"$1\""
        smoke ${CMAKE_CURRENT_BINARY_DIR}/corpus_${name} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/corpus/${name}
        $<TARGET_FILE:${_t}> ${QUON_FUZZ_SMOKE_SECONDS})
    set_tests_properties(${_t}_smoke PROPERTIES LABELS fuzz TIMEOUT 120)
  endif()
endfunction()
