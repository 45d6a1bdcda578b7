# Shared set-up of the libFuzzer targets (clang only): the library and the
# demo's units get the fuzzer's coverage instrumentation (in this build only;
# other programs linking them run as they are), and
# quon_add_fuzzer(NAME SOURCES... [INCLUDES ...] [LIBS ...]) builds fuzz_NAME
# with ASan + UBSan against them and registers a short smoke run in CTest on a
# copy of its seeds in corpus/NAME/.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(STATUS "fuzz targets need clang; skipped")
  set(QUON_FUZZ_READY OFF)
  return()
endif()
set(QUON_FUZZ_READY ON)

set(QUON_FUZZ_SMOKE_SECONDS 20 CACHE STRING "Seconds of each fuzzer's smoke run in CTest")
foreach(_target quon ${QUON_DEMO_UNITS})
  target_compile_options(${_target} PRIVATE -fsanitize=fuzzer-no-link)
endforeach()

function(quon_add_fuzzer name)
  cmake_parse_arguments(F "" "" "SOURCES;INCLUDES;LIBS" ${ARGN})
  set(_t fuzz_${name})
  add_executable(${_t} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/fuzz_${name}.cpp ${F_SOURCES})
  target_include_directories(${_t} PRIVATE ${PROJECT_SOURCE_DIR}/lib/src ${F_INCLUDES})
  target_compile_options(${_t} PRIVATE -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
  target_link_options(${_t} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(${_t} PRIVATE quon ${F_LIBS})
  if(QUON_TESTS)
    # The corpus is copied so that the smoke run adds nothing to the sources.
    add_test(NAME ${_t}_smoke
      COMMAND sh -c "rm -rf \"$1\" && cp -r \"$2\" \"$1\" && \"$3\" -max_total_time=$4 -rss_limit_mb=2048 -close_fd_mask=1 \"$1\""
        smoke ${CMAKE_CURRENT_BINARY_DIR}/corpus_${name} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/corpus/${name}
        $<TARGET_FILE:${_t}> ${QUON_FUZZ_SMOKE_SECONDS})
    set_tests_properties(${_t}_smoke PROPERTIES LABELS fuzz TIMEOUT 120)
  endif()
endfunction()
